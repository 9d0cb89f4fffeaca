// The plug-in's commands: ids the host knows them by, the stored caption and
// tooltip text, and what a request for each one does. Constant data, set up
// when the library loads; safe to read from any thread.
#pragma once

#include <string>
#include <vector>

namespace mosvik {

// What a command request opens or runs.
enum class CommandAction {
    MainWindow,
    ImageExport,
    Convert,
    CropMarks,
    OnekeyPS,
    Qrcode,
    SelectSimilar,
    PageAdaptation,
    SuperUndo,
    SuperRedo,
};

struct CommandEntry {
    std::u16string id;
    // Caption, or caption and tooltip separated by "|".
    std::u16string storedText;
    CommandAction action;
};

// Name of the plug-in's command bar in the workspace files and for look-up.
extern const char16_t* const CommandBarName;

// The table in its fixed order; matching walks it in this order.
const std::vector<CommandEntry>& commandTable();

struct CaptionAndTooltip {
    std::u16string caption;
    std::u16string tooltip;
};

// Exactly two parts around "|" give caption and tooltip; any other text is
// both.
CaptionAndTooltip splitStoredText(const std::u16string& storedText);

} // namespace mosvik
