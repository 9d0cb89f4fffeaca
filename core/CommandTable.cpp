#include "CommandTable.h"

namespace mosvik {

const char16_t* const CommandBarName = u"ormel201600401";

const std::vector<CommandEntry>& commandTable() {
    static const std::vector<CommandEntry> table = {
        {u"mosvik1_全部", u"所有", CommandAction::MainWindow},
        {u"mosvik1_导出图片", u"导出图片|强大的导出图片工具", CommandAction::ImageExport},
        {u"mosvik1_转换", u"转换", CommandAction::Convert},
        {u"mosvik1_裁切标记", u"裁切标记", CommandAction::CropMarks},
        {u"mosvik1_一键PS", u"一键PS|一键调用PS修图", CommandAction::OnekeyPS},
        {u"mosvik1_二维码", u"二维码", CommandAction::Qrcode},
        {u"mosvik1_同类选择", u"同类选择", CommandAction::SelectSimilar},
        {u"mosvik1_字体识别", u"字体识别", CommandAction::MainWindow},
        {u"mosvik1_页面适配", u"页面适配|设置页面大小为选中对象大小",
         CommandAction::PageAdaptation},
        {u"mosvik1_超级撤销", u"超级撤销|超级撤销，如果执行了大批量操作，请使用这个",
         CommandAction::SuperUndo},
        {u"mosvik1_超级重做", u"超级重做|超级重做，如果执行了大批量操作，请使用这个",
         CommandAction::SuperRedo},
    };
    return table;
}

CaptionAndTooltip splitStoredText(const std::u16string& storedText) {
    const auto bar = storedText.find(u'|');
    if (bar != std::u16string::npos && storedText.find(u'|', bar + 1) == std::u16string::npos)
        return {storedText.substr(0, bar), storedText.substr(bar + 1)};
    return {storedText, storedText};
}

} // namespace mosvik
