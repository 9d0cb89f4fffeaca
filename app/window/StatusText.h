// The status bar's words for the selection: how many shapes and the size of
// their common box in the document's measuring unit, which the window reads
// through the automation interface as a plug-in would (IVGDocument::get_Unit).
//
// Threads: user-interface thread (documentUnit calls the host).
#pragma once

#include "host/Application.h"

#include <QString>

namespace mosvik::app {

// "未选择对象" or "已选择 2 个对象  宽 40.00 mm  高 30.00 mm".
QString selectionStatus(const host::model::Drawing& drawing, int32_t unit);
// A length in millimetres written in `unit` with its symbol: "40.00 mm", "472 px".
QString lengthText(double millimetres, int32_t unit);
// The unit the document measures in; millimetres when it cannot be read.
int32_t documentUnit(host::Application& host, host::DocumentId doc);

} // namespace mosvik::app
