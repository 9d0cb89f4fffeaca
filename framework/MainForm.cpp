#include "MainForm.h"

#include <memory>

#include "AlignForm.h"
#include "AllCommand.h"
#include "HandlerGuard.h"

#include <iterator>
#include <stdexcept>
#include <string>

namespace mosvik {

namespace {
std::vector<TLauncherButton>& buttonTable() {
    // The image export, conversion, screen calibration and font recognition
    // windows are registered by their own folders through SetLauncher.
    static std::vector<TLauncherButton> table = {
        {"btn_ToJPG", QStringLiteral("导出图片"), 8, 8, nullptr},
        {"btn1", QStringLiteral("各种转换"), 89, 8, nullptr},
        {"btn2", QStringLiteral("屏幕校正"), 170, 8, nullptr},
        {"btn3", QStringLiteral("btn3"), 8, 39, &TfMain::Open<TfAlign>},
        {"btn4", QStringLiteral("页面适配"), 89, 39, &TfMain::RunPageAdaptation},
        {"btn5", QStringLiteral("字体识别"), 170, 39, nullptr},
        {"btn6", QStringLiteral("增强对齐"), 8, 70, &TfMain::Open<TfAlign>},
    };
    return table;
}
} // namespace

const std::vector<TLauncherButton>& launcherButtons() {
    return buttonTable();
}

void SetLauncher(const char* name, TLaunch launch) {
    for (TLauncherButton& button : buttonTable()) {
        if (std::string(button.name) == name) {
            button.launch = launch;
            return;
        }
    }
    throw std::invalid_argument(std::string("no launcher button ") + name);
}

TfMain::TfMain(QWidget* AOwner, com::IVGApplication* App) : TTBaseForm(AOwner, App) {
    setObjectName(QStringLiteral("fMain"));
    setWindowTitle(QStringLiteral("主窗口"));
    SetClientSize(278, 198);

    QPushButton** const fields[] = {&btn_ToJPG, &btn1, &btn2, &btn3, &btn4, &btn5, &btn6};
    const auto& table = launcherButtons();
    QWidget* previous = nullptr;
    for (size_t i = 0; i < std::size(fields); ++i) {
        const TLauncherButton& entry = table[i];
        auto* button = new QPushButton(entry.caption, this);
        button->setObjectName(QLatin1String(entry.name));
        button->setGeometry(entry.left, entry.top, 75, 25);
        button->setEnabled(entry.launch != nullptr);
        if (TLaunch launch = entry.launch)
            connect(button, &QPushButton::clicked, this,
                    guarded(this, [this, launch] { launch(*this); }));
        if (previous)
            setTabOrder(previous, button);
        previous = button;
        *fields[i] = button;
    }
}

void TfMain::RunPageAdaptation(TfMain& launcher) {
    // The hidden window exists only to carry the command; letting it go at
    // once gives its application reference back instead of keeping one per
    // click until the launcher closes.
    std::unique_ptr<TfAllCommand> command(
        TTBaseForm::create<TfAllCommand>(&launcher, launcher.FApp.get()));
    if (command)
        command->PageAdaptation();
}

} // namespace mosvik
