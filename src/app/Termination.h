#pragma once

// SIGTERM (the session ending, a service manager) and SIGINT end the program
// as its Exit does, so that what it set up outside itself (the KWin script)
// is taken down rather than left calling a program that is gone.

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace ornyx::app {

class TerminationRequests : public QObject {
    Q_OBJECT

public:
    explicit TerminationRequests(QObject* parent = nullptr);
    ~TerminationRequests() override;
    TerminationRequests(const TerminationRequests&) = delete;
    TerminationRequests& operator=(const TerminationRequests&) = delete;

signals:
    void requested();

private:
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace ornyx::app
