#pragma once

#include <QString>

namespace ornyx::app {

// The single-instance rule: an exclusive lock on a file named "Z93Mutex" in
// $XDG_RUNTIME_DIR (or the fallback folder). The lock goes with the process,
// so a crash never leaves a stale lock behind.
class SingleInstance {
public:
    explicit SingleInstance(const QString& fallbackFolder);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False when another instance holds the lock.
    bool acquired() const { return acquired_; }
    QString lockPath() const { return path_; }

private:
    QString path_;
    int fd_ = -1;
    bool acquired_ = false;
};

}  // namespace ornyx::app
