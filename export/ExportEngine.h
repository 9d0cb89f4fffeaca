// The image export engine: one run over the chosen range, page by page,
// with the host's bitmap export.
//
// A run works from a TExportSettings value taken from the window before it
// starts, never from the window's controls, and reports through a
// TExportView: log lines, the file-name field, the refused page field. The
// window (ToJPG.h) gives each run its own engine on a worker thread; tests
// may drive one directly.
//
// Ownership: the engine holds its own references on the host objects it
// uses and borrows the view, which must outlive RunExport.
// Threads: RunExport runs on one thread at a time (any thread: the host
// serialises its calls). RequestStop may be called from any thread.
#pragma once

#include "ExportRules.h"

#include "core/host/ComPtr.h"
#include "core/host/VGCore.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <vector>

namespace mosvik::exporting {

// What a run needs of the window, as the window showed it at the start.
struct TExportSettings {
    TExportRange range = TExportRange::CurDocument;
    QString fileName;  // the file-name field: the base name of the files
    QString location;  // the save location
    int colorMode = 5; // index of the colour-mode list = host image type
    int compression = 9;
    QString resolution = QStringLiteral("72");
    int fileType = 0;
    QString scale = QStringLiteral("1");
    bool overprintBlack = true;
    bool smooth = true;
    bool useColorProfile = true;
    bool transparent = false;
    bool maintainLayers = false;
    bool includePageName = true;
    bool addNumber = true;
    QString pageField;
    bool pageArea = false;
    bool pageHalf = false;
    int pageHalfIndex = 0; // 0 "纵向分割", 1 "横向分割"
    // Texts of the checked entries of the documents list, top to bottom.
    QStringList checkedDocumentNames;
};

// The window side of a run; called on the run's thread.
class TExportView {
public:
    virtual ~TExportView() = default;
    // Appends one progress line; lines beginning with "^" are emphasised.
    virtual void AddLogLine(const QString& text) = 0;
    // Shows the active document's name in the file-name field (the
    // window's SetName).
    virtual void SetName() = 0;
    // The page field named a page beyond the last one: empty it and give it
    // the focus.
    virtual void RefusePageField() = 0;
};

// Counts a wait for the user-interface thread while it lives.
class TUiWait {
public:
    explicit TUiWait(std::atomic<int>* counter) : counter_(counter) {
        if (counter_)
            ++*counter_;
    }
    ~TUiWait() {
        if (counter_)
            --*counter_;
    }
    TUiWait(const TUiWait&) = delete;
    TUiWait& operator=(const TUiWait&) = delete;

private:
    std::atomic<int>* counter_;
};

class TExportEngine {
public:
    TExportEngine(com::IVGApplication* app, TExportSettings settings, TExportView& view);

    // One run: every log line, the branch of the range, the error paths.
    // Never throws.
    void RunExport();
    void ExportDocument(com::IVGDocument* document);
    // Exports one page; a failure is reported and ends only this page.
    void ExportPic(com::IVGPage* page);
    // Width and height (document unit) of what ExportPic exports.
    TArea ExportExtentSize(com::IVGPage* page);
    TPageList ParsePageList();
    std::vector<com::ComPtr<com::IVGDocument>> CheckedDocuments();
    QString PageNamePart(com::IVGPage* page);
    QString NumberPart();
    QString FileExtension() const;
    int32_t FilterCode() const;

    // Ends the run before its next page (the window is going away).
    void RequestStop() { stop_ = true; }
    bool Finished() const { return finished_; }
    // Boxes the run is waiting for (shown on the user-interface thread).
    std::atomic<int> uiWaits{0};

    // Run state: the base name taken at the start, the running number.
    QString outFileName;
    int32_t ind = 0;
    // Largest image (bytes, 4 per pixel) a page may need; larger ones are
    // refused before the host renders anything.
    double imageByteLimit;

private:
    // Checks the run's values once; logs and returns false when they
    // cannot give a single file.
    bool CheckRunValues();
    void ExportPageList();
    void ExportWithOptions(com::IVGStructExportOptions* options, const QString& fileName,
                           int32_t range);
    void Log(const QString& text) { view_.AddLogLine(text); }

    com::ComPtr<com::IVGApplication> app_;
    TExportSettings settings_;
    TExportView& view_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> finished_{false};
};

} // namespace mosvik::exporting
