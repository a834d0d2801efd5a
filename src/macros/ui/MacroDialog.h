#pragma once

#include <QString>
#include <cstdint>
#include <filesystem>
#include <string>

#include "keys/ui/PopupList.h"
#include "skin/PopupFrame.h"

class QLabel;

namespace ornyx::macros::ui {

// Picks a macro of record.ini and how it repeats, for a button given the
// macro function.
class CMacroDialog : public skin::PopupFrame {
    Q_OBJECT

public:
    static constexpr QRect kPromptRect = skin::ToQRect(layout::macro_key::kPrompt);
    static constexpr QRect kMacroRect = skin::ToQRect(layout::macro_key::kMacro);
    static constexpr QRect kMacroBox = skin::ToQRect(layout::macro_key::kMacroBox);
    // Inside the panel, above OK and Cancel; longer lists scroll.
    static constexpr QRect kListRect = skin::ToQRect(layout::macro_key::kList);
    static constexpr QRect TickRect(int mode) {
        return skin::ToQRect(layout::macro_key::Tick(mode));
    }
    static constexpr QRect ModeTextRect(int mode) {
        // Three lines: the longer repeat modes wrap that far in English and Turkish.
        return skin::ToQRect(layout::macro_key::ModeText(mode));
    }

    CMacroDialog(const skin::PopupContext& context, std::filesystem::path recordFile,
                 QWidget* parent = nullptr);
    ~CMacroDialog() override;

    // Results: the chosen macro's position in the file (0 when none was
    // chosen), its name (empty when none), the repeat mode 1..3.
    int MacroNumber() const { return macroNumber_; }
    const std::string& MacroName() const { return macroName_; }
    int RepeatMode() const { return repeatMode_; }
    bool ListOpen() const { return list_.IsOpen(); }
    QListWidget* MacroList() const { return list_.List(); }

protected:
    void CreateContent() override;
    void DrawContent(skin::DrawSession& session) override;
    void BeforePress(const QPoint& point) override;
    bool ContentPress(const QPoint& point) override;
    QAbstractScrollArea* WheelList() override;

private:
    void Chosen(int row, const QString& text);

    std::filesystem::path recordFile_;
    int macroNumber_ = 0;
    std::string macroName_;
    int repeatMode_ = 1;
    QLabel* macroLabel_ = nullptr;
    keys::ui::PopupList list_;
};

}  // namespace ornyx::macros::ui
