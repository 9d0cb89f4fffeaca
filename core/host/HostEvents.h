// Numbers of the host's application events, delivered to a registered sink
// through IDispatch::Invoke with the arguments last-first.
//
// Parameters, first to last (by-reference ones marked &):
//   1-4  QueryDocumentClose/Save/Print/Export (Doc, &Cancel)
//   5    QueryQuit (&Cancel)
//   6    DocumentOpen (Doc, FileName)
//   7    DocumentNew (Doc, FromTemplate, Template, IncludeGraphics)
//   8    DocumentClose (Doc)
//   9,10 DocumentBeforeSave/AfterSave (Doc, SaveAs, FileName)
//   11,12 DocumentBeforePrint/AfterPrint (Doc)
//   13,14 DocumentBeforeExport/AfterExport (Doc, FileName, Filter, SaveBitmap)
//   15,16 WindowActivate/Deactivate (Doc, Window)
//   17   SelectionChange ()
//   18   Start ()
//   19   Quit ()
//   20   OnPluginCommand (CommandID)
//   21   OnUpdatePluginCommand (CommandID, &Enabled, &Checked)
//   22   OnApplicationEvent (EventName, &Parameters)
#pragma once

#include <cstdint>

namespace mosvik::com {

enum HostEvent : int32_t {
    EvQueryDocumentClose = 1,
    EvQueryDocumentSave = 2,
    EvQueryDocumentPrint = 3,
    EvQueryDocumentExport = 4,
    EvQueryQuit = 5,
    EvDocumentOpen = 6,
    EvDocumentNew = 7,
    EvDocumentClose = 8,
    EvDocumentBeforeSave = 9,
    EvDocumentAfterSave = 10,
    EvDocumentBeforePrint = 11,
    EvDocumentAfterPrint = 12,
    EvDocumentBeforeExport = 13,
    EvDocumentAfterExport = 14,
    EvWindowActivate = 15,
    EvWindowDeactivate = 16,
    EvSelectionChange = 17,
    EvStart = 18,
    EvQuit = 19,
    EvOnPluginCommand = 20,
    EvOnUpdatePluginCommand = 21,
    EvOnApplicationEvent = 22,
};

} // namespace mosvik::com
