#include "i18n/Texts.h"

namespace ornyx::i18n {

namespace {

// Column order of every row: Simplified Chinese, Traditional Chinese, Turkish,
// English. The texts are kept exactly as the program has always shown them,
// trailing blanks and spellings included: stored labels and users' habits rely on them.
constexpr std::array<TextRow, kMainTextCount> kMainTexts = {{
    {TextId::BasicSettings, {"基本设置", "基本設置", "Basit Ayarlar", "Basic Settings"}},
    {TextId::AdvancedSettings, {"高级设置", "高級設置", "Gelişmiş Ayarlar", "Advanced Settings"}},
    {TextId::Ok, {"确定", "確定", "Tamam", "OK"}},
    {TextId::Apply, {"应用", "應用", "Uygula", "Apply"}},
    {TextId::Cancel, {"取消", "取消", "İptal", "Cancel"}},
    {TextId::LeftClick, {"左键", "左鍵", "Sol tık", "Left Click"}},
    {TextId::RightClick, {"右键", "右鍵", "Sağ tık", "Right Click"}},
    {TextId::MidClick, {"中键", "中鍵", "Tekerlek Tık", "Mid Click"}},
    {TextId::Forward, {"前进方向键", "前進方向鍵", "İleri", "Forward"}},
    {TextId::Backward, {"后退方向键", "後退方向鍵", "Geri", "Backward"}},
    {TextId::TripleClick, {"三连发", "三連發", "Üç tık", "Triple-click"}},
    {TextId::DpiSwitch, {"DPI切换", "DPI切換", "DPI Değiştir", "DPI Switch"}},
    {TextId::Shift, {"Shift", "Shift", "Değiştir", "Shift"}},
    {TextId::RgbOnOff, {"RGB打开/关闭", "RGB打開/關閉", "RGB Aç/Kapa", "RGB On/Off"}},
    {TextId::Windows, {"Windows", "Windows", "Windows", "Windows"}},
    {TextId::Multimedia, {"多媒体", "多媒體", "Multimedya", "Multimedia"}},
    {TextId::FireKey, {"火力键", "火力鍵", "Seri ateş", "Fire Key"}},
    {TextId::SingleKey, {"单键", "單鍵", "Tek tuş", "Single Key"}},
    {TextId::ComboKey, {"组合键", "複合鍵", "Combo Tuşu", "Combo Key"}},
    {TextId::MacroKey, {"宏", "巨集", "Makro Tuşu", "Macro Key"}},
    {TextId::KeyOff, {"按键关闭", "按鍵關閉", "Tuş Kapa", "Key Off"}},
    {TextId::LeftKeyMustBeSelected,
     {"左键功能必须选择！", "左鍵功能必須選擇！", "Lütfen Sol Tuşu seçin!",
      "Left key must be selected!"}},
    {TextId::KeyRestoreDefault, {"按键恢复", "按鍵恢復", "Varsayılan", "Default"}},
    {TextId::KeySetting, {"按键设置", "按鍵設置", "Tuş Ayarları", "Key Setting"}},
    {TextId::ReportRateSetting,
     {"报告率设置", "報告率設置", "Yenilenme Hızı Ayarı", "Report Rate Setting"}},
    {TextId::DpiSetting, {"DPI设置", "DPI設置", "DPI Ayarı", "DPI Setting"}},
    {TextId::DpiEffect, {"灯光效果", "燈光效果", "Işık Efekti", "DPI Effect"}},
    {TextId::Mode, {"模式", "模式", "Mod", "Mode"}},
    {TextId::Parameter, {"参数", "參數", "Parametre", "Parameter"}},
    {TextId::Effect, {"效果", "效果", "Efekt", "Effect"}},
    {TextId::Standard, {"标准", "標準", "Standart", "Standard"}},
    {TextId::Respiration, {"呼吸", "呼吸", "Nefes", "Respiration"}},
    {TextId::Neon, {"霓虹", "霓虹", "Neon", "Neon"}},
    {TextId::RgbEffect, {"RGB效果", "RGB效果", "RGB Efekti", "RGB Effect"}},
    {TextId::RgbFlash, {"RGB闪烁", "RGB閃爍", "RGB Yanıp Sönme", "RGB Flash"}},
    {TextId::RgbFixedOn, {"RGB常亮", "RGB常亮", "RGB Sabit Açık", "RGB Fixed On"}},
    {TextId::LinkText, {kWebSiteAddress, kWebSiteAddress, kWebSiteAddress, kWebSiteAddress}},
    {TextId::ReportRate1000,
     {"报告率切换到1000HZ", "報告率切換到1000HZ", "Yenilenme hızını 1000HZ yap",
      "Switch report rate into 1000HZ"}},
    {TextId::ReportRate500,
     {"报告率切换到500HZ", "報告率切換到500HZ", "Yenilenme hızını 500HZ yap",
      "Switch report rate into 500HZ"}},
    {TextId::ReportRate250,
     {"报告率切换到250HZ", "報告率切換到250HZ", "Yenilenme hızını 250HZ yap",
      "Switch report rate into 250HZ"}},
    {TextId::ReportRate125,
     {"报告率切换到125HZ", "報告率切換到125HZ", "Yenilenme hızını 125HZ yap",
      "Switch report rate into 125HZ"}},
    {TextId::DpiStage1,
     {"DPI切换到第一段", "DPI切換到第一段", "DPI ayarını 1. Seviyeye getir ",
      "Switch DPI into the first stage "}},
    {TextId::DpiStage2,
     {"DPI切换到第二段", "DPI切換到第二段", "DPI ayarını 2. Seviyeye getir ",
      "Switch DPI into the second stage "}},
    {TextId::DpiStage3,
     {"DPI切换到第三段", "DPI切換到第三段", "DPI ayarını 3. Seviyeye getir ",
      "Switch DPI into the third stage "}},
    {TextId::DpiStage4,
     {"DPI切换到第四段", "DPI切換到第四段", "DPI ayarını 4. Seviyeye getir ",
      "Switch DPI into the fourth stage "}},
    {TextId::KeyMatrix1,
     {"切换到按键组1", "切換到按鍵群組1", "1. Tuş matrisine geç", "Switch to key matrix 1"}},
    {TextId::KeyMatrix2,
     {"切换到按键组2", "切換到按鍵群組2", "2. Tuş matrisine geç ", "Switch to key matrix 2"}},
    {TextId::MacroKeySwitch,
     {"切换到宏", "切換到巨集", "Makro değiştirme tuşu", "Switch to macro key"}},
    {TextId::Exit, {"退出", "退出", "Çıkış", "Exit"}},
    {TextId::MouseNotDetected,
     {"系统没有检测到游戏鼠标！", "系統沒有檢測到遊戲滑鼠！",
      "Fare algılanamadı, lütfen önce farenizi takın!",
      "The system did not detect the gaming mouse!"}},
    {TextId::MouseSpeed, {"鼠标速度", "滑鼠速度", "Fare Hızı", "Mouse Speed"}},
    {TextId::ScrollingSpeed, {"滚轮速度", "滾輪速度", "Kaydırma Hızı", "Scrolling Speed"}},
    {TextId::DoubleClickSpeed, {"双击速度", "雙擊速度", "Çift Tıklama Hızı", "Double-Click Speed"}},
    {TextId::MacroSetting, {"宏设置", "巨集設置", "Makro Ayarları", "Macro Setting"}},
    {TextId::SelectMacro, {"选择宏", "選擇巨集", "Makro Seç", "Select Macro"}},
    {TextId::KeyPressSequence, {"按键序列", "按鍵序列", "Tuş Sırası", "Key Press Sequence"}},
    {TextId::RecordOption, {"录制选项", "錄製選項", "Kayıt Seçenekleri", "Record Option"}},
    {TextId::EnhancePointerPrecision,
     {"提高指针精确度", "提高指標準確度", "İşaretçi hassasiyetini artır",
      "Enhance Pointer Precision"}},
    {TextId::ScrollOneScreen,
     {"一次滚动一个屏幕", "一次捲動一個畫面", "Bir ekran kaydır", "Scroll One Screen"}},
    {TextId::PointerDefault, {"恢复默认", "恢復預設", "Varsayılan", "Default"}},
    {TextId::MacroName, {"宏名称", "巨集名稱", "Makro Adı", "Macro Name"}},
    {TextId::StartRecording, {"开始录制", "開始錄製", "Kaydı Başlat", "Start Recording"}},
    {TextId::StopRecording, {"停止录制", "停止錄製", "Kaydı Durdur", "Stop Recording"}},
    {TextId::LoopTimes, {"循环次数", "循環次數", "Döngü Sayısı", "Loop Times"}},
    {TextId::InsertMouseEvent,
     {"插入鼠标事件", "插入滑鼠事件", "Fare Olayı Ekle", "Insert A Mouse Event"}},
    {TextId::New, {"新建", "新增", "Yeni", "New"}},
    {TextId::Delete, {"删除", "刪除", "Sil", "Delete"}},
    {TextId::Confirm, {"确认", "確認", "Onayla", "Confirm"}},
    {TextId::MacroNameBlank,
     {"宏名称为空", "巨集名稱為空", "Makro adı giriniz", "Macro name is blank"}},
    {TextId::MacroNameExists,
     {"宏名称已经存在", "巨集名稱已經存在", "Makro adı zaten var", "Macro name already exists"}},
    {TextId::PressCtrlBreakToStop,
     {"按Ctrl+Break可以停止录制", "按Ctrl+Break可以停止錄製",
      "Kaydı durdurmak için Ctrl-İptal tuşuna basın", "Press Ctrl+Break key to stop recording"}},
    {TextId::NotRecording,
     {"没有开始录制,点击停止录制按钮没有意义！", "沒有開始錄製，點擊停止錄製按鈕沒有意義！",
      "Kayıt yapılmıyor, durdur tuşu işlevsiz!",
      "It doesn’t start recording, unnecessary to press Stop key!"}},
}};

constexpr std::array<PopupTextRow, kPopupTextCount> kPopupTexts = {{
    {PopupTextId::Ok, {"确定", "確定", "Tamam", "OK"}},
    {PopupTextId::Cancel, {"取消", "取消", "İptal", "Cancel"}},
    {PopupTextId::SingleKeyPrompt,
     {"请输入一个按键", "請輸入一個按鍵", "Lütfen bir tuşa basın", "Please enter a key"}},
    {PopupTextId::FireKeySpeedLabel, {"速度", "速度", "Hız", "Speed"}},
    {PopupTextId::FireKeyTimesLabel, {"次数", "次數", "Kaç kez", "Times"}},
    {PopupTextId::FireKeySpeedHint,
     {"速度(数值范围5-255，数值越小速度越快)", "速度(數值範圍5-255，數值越小速度越快)",
      "Hız (değer aralığı 5-255, düşük değerler daha hızlı)",
      "Speed (value range 5-255, with smaller values faster)"}},
    {PopupTextId::FireKeyTimesHint,
     {"次数(数值范围0-255，0表示按键放开火力键结束)",
      "次數(數值範圍0-255，0表示按鍵放開火力鍵結束)",
      "Tık adedi (değer aralığı 0-255,0 seri ateşin tuş bırakıldığında durması demek)",
      "Times (value range 0-255,0 indicates fire key to end when the key released)"}},
    {PopupTextId::DelayPrompt,
     {"请输入一个延时", "請輸入一個延時", "Lütfen gecikme girin", "Please enter a delay"}},
    {PopupTextId::DelayRange,
     {"(数值范围 0-10000)", "(數值範圍 0-10000)", "(Değer aralığı 0-10000)",
      "(value range 0-10000)"}},
    {PopupTextId::RepeatMode1,
     {"重复指定次数或按任意键结束", "重複指定次數或按任意鍵結束",
      "Belirtilen sayıda tekrar eder,ya da durdurmak için herhangi bir tuşa basın",
      "Repeat a specified number of times or press any key to end"}},
    {PopupTextId::RepeatMode2,
     {"重复直到按任意键结束", "重複直到按任意鍵結束", "Bir tuşa basılana kadar devam et",
      "Repeat until press any key to end"}},
    {PopupTextId::RepeatMode3,
     {"重复直到该按键松开结束", "重複直到該按鍵鬆開結束", "Tuş bırakılana kadar tekrar et",
      "Repeat until the key is released"}},
    {PopupTextId::MacroPrompt,
     {"请从列表框选择一个宏", "請從清單方塊選擇一個巨集", "Lütfen bir makro seçin",
      "Please select a macro"}},
    {PopupTextId::TextColourPrompt,
     {"请点击设置UI文本颜色", "請點擊設置UI文本顏色",
      "Arayüz yazı rengini belirlemek için tıklayın", "Please click to set the UI text color"}},
    {PopupTextId::WindowsFunctionAtStart,
     {"打开多媒体播放器", "打開多媒體播放器", "Multimedya oynatıcı", "Multimedia Player"}},
}};

constexpr std::array<ProfileTextRow, kProfileTextCount> kProfileTexts = {{
    {ProfileTextId::ProfilesMenu, {"配置文件", "設定檔", "Profiller", "Profiles"}},
    {ProfileTextId::SaveAsNew,
     {"另存为新配置文件…", "另存為新設定檔…", "Yeni profil olarak kaydet…",
      "Save as new profile…"}},
    {ProfileTextId::SaveTo, {"保存到 %1", "儲存到 %1", "%1 profiline kaydet", "Save to %1"}},
    {ProfileTextId::Modified, {"（已修改）", "（已修改）", " (değişti)", " (modified)"}},
    {ProfileTextId::NoProfiles,
     {"（无配置文件）", "（無設定檔）", "(profil yok)", "(no profiles)"}},
    {ProfileTextId::SwitchedTitle, {"配置文件", "設定檔", "Profil", "Profile"}},
    {ProfileTextId::SwitchedText,
     {"已切换到配置文件“%1”", "已切換到設定檔「%1」", "\"%1\" profiline geçildi",
      "Switched to profile \"%1\""}},
    {ProfileTextId::DropChanges,
     {"窗口中有尚未应用的更改。放弃这些更改并切换到配置文件“%1”吗？",
      "視窗中有尚未應用的變更。放棄這些變更並切換到設定檔「%1」嗎？",
      "Pencerede henüz uygulanmamış değişiklikler var. Bunlar bırakılıp \"%1\" profiline "
      "geçilsin mi?",
      "The window holds changes that are not applied yet. Drop them and switch to profile "
      "\"%1\"?"}},
    {ProfileTextId::NamePrompt,
     {"新配置文件的名称", "新設定檔的名稱", "Yeni profilin adı", "Name of the new profile"}},
    {ProfileTextId::NameRule,
     {"最多 64 个字符", "最多 64 個字元", "En fazla 64 karakter", "Up to 64 characters"}},
    {ProfileTextId::ReplaceQuestion,
     {"配置文件“%1”已存在。要替换它吗？", "設定檔「%1」已存在。要取代它嗎？",
      "\"%1\" profili zaten var. Yerine yenisi kaydedilsin mi?",
      "A profile \"%1\" exists already. Replace it?"}},
    {ProfileTextId::SwitchFailed,
     {"无法切换到配置文件“%1”：%2", "無法切換到設定檔「%1」：%2", "\"%1\" profiline geçilemedi: %2",
      "Cannot switch to profile \"%1\": %2"}},
    {ProfileTextId::SaveFailed,
     {"无法保存配置文件“%1”：%2", "無法儲存設定檔「%1」：%2", "\"%1\" profili kaydedilemedi: %2",
      "Cannot save profile \"%1\": %2"}},
    {ProfileTextId::BadName,
     {"此名称不能用作配置文件名称：%2", "此名稱不能用作設定檔名稱：%2",
      "Bu ad profil adı olamaz: %2", "This name cannot name a profile: %2"}},
    {ProfileTextId::AutoSwitch,
     {"按应用程序切换配置文件", "依應用程式切換設定檔", "Uygulamaya göre profil değiştir",
      "Switch profiles by application"}},
    {ProfileTextId::AutoSwitchWaiting,
     {"切换到“%1”等待中：请保存或放弃更改", "切換到「%1」等待中：請儲存或放棄變更",
      "\"%1\" bekliyor: değişiklikleri kaydedin ya da bırakın",
      "Switch to \"%1\" waits: save or drop the changes"}},
}};

using MediaList = std::array<std::string_view, kMediaFunctionCount>;
constexpr std::array<MediaList, kLanguageCount> kMediaFunctions = {{
    {"下一首", "上一首", "停止", "播放/暂停", "静音", "音量+", "音量-"},
    {"下一首", "上一首", "停止", "播放/暫停", "靜音", "音量+", "音量-"},
    {"Sonraki", "Önceki", "Dur", "Oynat/Durdur", "Sustur", "Ses artır", "Ses kıs"},
    {"Next", "Previous", "Stop", "Play/Pause", "Mute", "Vol+", "Vol-"},
}};

using WindowsList = std::array<std::string_view, kWindowsFunctionCount>;
constexpr std::array<WindowsList, kLanguageCount> kWindowsFunctions = {{
    {"打开多媒体播放器", "邮件", "计算器", "我的电脑", "浏览器-搜索", "浏览器-主页", "浏览器-后退",
     "浏览器-前进", "浏览器-停止", "浏览器-刷新", "浏览器-收藏夹"},
    {"打開多媒體播放器", "郵件", "計算器", "我的電腦", "瀏覽器-搜索", "瀏覽器-主頁", "瀏覽器-後退",
     "瀏覽器-前進", "瀏覽器-停止", "瀏覽器-刷新", "瀏覽器-我的最愛"},
    {"Multimedya oynatıcı ", "Mail", "Hesap makinesi", "Bilgisayarım", "Tarayıcı-Ara",
     "Tarayıcı-Ev", "Tarayıcı-Geri", "Tarayıcı-İleri", "Tarayıcı-Dur", "Tarayıcı-Yenile",
     "Tarayıcı-En sevdiklerim"},
    {"Multimedia Player", "Mail", "Calculator", "My Computer", "Browser-Search", "Browser-Home",
     "Browser-Back", "Browser-Forward", "Browser-Stop", "Browser-Refresh", "Browser-My Favorites"},
}};

// Catches a row out of place or a missing translation when the tables are edited.
template <typename Row, std::size_t N>
constexpr bool RowsInOrderAndComplete(const std::array<Row, N>& rows) {
    for (std::size_t i = 0; i < N; ++i) {
        if (static_cast<std::size_t>(rows[i].id) != i) return false;
        for (const std::string_view text : rows[i].text) {
            if (text.empty()) return false;
        }
    }
    return true;
}
static_assert(RowsInOrderAndComplete(kMainTexts));
static_assert(RowsInOrderAndComplete(kPopupTexts));
static_assert(RowsInOrderAndComplete(kProfileTexts));

// A value outside the enum (a cast from stored data) falls back to English, as
// every unknown language code does.
constexpr std::size_t Column(Language language) {
    const auto column = static_cast<std::size_t>(language);
    return column < kLanguageCount ? column : static_cast<std::size_t>(Language::English);
}

}  // namespace

std::string_view Text(Language language, TextId id) {
    return TextAt(language, static_cast<std::size_t>(id));
}

std::string_view TextAt(Language language, std::size_t number) {
    if (number >= kMainTexts.size()) return {};
    return kMainTexts[number].text[Column(language)];
}

std::span<const TextRow> MainWindowTexts() {
    return kMainTexts;
}

std::string_view ButtonFunctionName(Language language, std::size_t functionIndex) {
    if (functionIndex >= kButtonMenu.size()) return {};
    return Text(language, kButtonMenu[functionIndex]);
}

std::string_view Text(Language language, PopupTextId id) {
    const auto number = static_cast<std::size_t>(id);
    if (number >= kPopupTexts.size()) return {};
    return kPopupTexts[number].text[Column(language)];
}

std::span<const PopupTextRow> PopupTexts() {
    return kPopupTexts;
}

std::string_view Text(Language language, ProfileTextId id) {
    const auto number = static_cast<std::size_t>(id);
    if (number >= kProfileTexts.size()) return {};
    return kProfileTexts[number].text[Column(language)];
}

std::span<const ProfileTextRow> ProfileTexts() {
    return kProfileTexts;
}

std::span<const std::string_view> MediaFunctionNames(Language language) {
    return kMediaFunctions[Column(language)];
}

std::span<const std::string_view> WindowsFunctionNames(Language language) {
    return kWindowsFunctions[Column(language)];
}

std::optional<Notification> DeviceEventNotification(Language language, int code, int parameter,
                                                    std::string_view dpiLabel) {
    constexpr int kInfoTimeoutMs = 5000;
    constexpr int kWarningTimeoutMs = 100;
    auto info = [&](TextId id) {
        return Notification{kInfoTitle, std::string(Text(language, id)), kInfoTimeoutMs};
    };
    switch (code) {
        case 5:  // report rate, as the mouse's rate code: 1 = 1000 Hz ... 8 = 125 Hz
            switch (parameter) {
                case 1:
                    return info(TextId::ReportRate1000);
                case 2:
                    return info(TextId::ReportRate500);
                case 4:
                    return info(TextId::ReportRate250);
                case 8:
                    return info(TextId::ReportRate125);
                default:
                    return std::nullopt;
            }
        case 7:  // DPI level 1..4
            if (parameter < 1 || parameter > 4) return std::nullopt;
            {
                const auto stage = static_cast<std::size_t>(TextId::DpiStage1) +
                                   static_cast<std::size_t>(parameter - 1);
                Notification n = info(static_cast<TextId>(stage));
                n.text += dpiLabel;
                return n;
            }
        case 8:  // key matrix 1 or 2
            if (parameter == 1) return info(TextId::KeyMatrix1);
            if (parameter == 2) return info(TextId::KeyMatrix2);
            return std::nullopt;
        case 9:  // macro key, with its number
            if (parameter == 0) return std::nullopt;
            {
                Notification n = info(TextId::MacroKeySwitch);
                n.text += std::to_string(parameter);
                return n;
            }
        case kMouseNotDetectedEvent:
            return Notification{kWarningTitle,
                                std::string(Text(language, TextId::MouseNotDetected)),
                                kWarningTimeoutMs};
        default:
            return std::nullopt;
    }
}

std::string_view LightingModeName(Language language, int storedMode) {
    switch (storedMode) {
        case 0:
            return "Off";
        case 1:
            return Text(language, TextId::Standard);
        case 2:
            return Text(language, TextId::Respiration);
        case 3:
            return Text(language, TextId::Neon);
        default:
            return {};
    }
}

std::string_view LightingEffectName(Language language, int storedEffect) {
    switch (storedEffect) {
        case 0:
            return "Non-Disolay";
        case 1:
            return Text(language, TextId::RgbEffect);
        case 2:
            return Text(language, TextId::RgbFlash);
        case 3:
            return Text(language, TextId::RgbFixedOn);
        default:
            return {};
    }
}

std::string_view NoMouseLine(Language language) {
    static constexpr std::array<std::string_view, kLanguageCount> kLines = {
        "未连接鼠标：插入鼠标后按“应用”即可发送这些设置",
        "未連接滑鼠：插入滑鼠後按「應用」即可傳送這些設定",
        "Fare bağlı değil: fareyi takın, ardından ayarları göndermek için Uygula'ya basın",
        "No mouse connected: plug it in, then press Apply to send these settings"};
    return kLines[static_cast<std::size_t>(LanguageIndex(language))];
}

}  // namespace ornyx::i18n
