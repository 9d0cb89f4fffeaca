// TfToJPG: the image export window ("图片导出"). The user sets up a batch
// export here; "导出" runs the engine (ExportEngine.h) on a worker thread
// while the window shows the progress log.
//
// Life: TTBaseForm::create<TfToJPG>(owner, app), then show(). The creation
// handler refuses without a document or without a shape on the active page.
// The window subscribes to the host's events and keeps the settings file
// open from creation to closing; closing writes the settings back.
//
// Runs: btn_ExportClick takes every value the run needs from the controls,
// locks the window (grp1 disabled, close command refused, dynamic property
// "mosvikBusy" true) and starts the worker. The worker never touches a
// widget: its log lines, the file-name field and the page field reach the
// window as queued calls, in order; its boxes are shown on the
// user-interface thread while it waits. Every end of a run, an error
// included, unlocks the window. A close the window asks for itself during a
// run (the last document closed) is carried out when the run ends; any other
// close is refused meanwhile (the close command is disabled); a window
// destroyed by its owner stops the run after the current page and waits
// for it.
//
// Threads: user-interface thread.
#pragma once

#include "ExportEngine.h"

#include "framework/BaseForm.h"
#include "framework/IniFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>

#include <functional>
#include <memory>
#include <thread>

namespace mosvik {

class TfToJPG : public TTBaseForm {
    Q_OBJECT

public:
    TfToJPG(QWidget* AOwner, com::IVGApplication* App);
    ~TfToJPG() override;

    // The date-time the Esc sequence compares, in days (0 = unset). Tests
    // replace it.
    using TClock = std::function<double()>;
    void SetClock(TClock clock) { clock_ = std::move(clock); }

    // The values a run takes from the controls.
    exporting::TExportSettings TakeSettings() const;
    bool Running() const { return running_; }
    // The system-menu close command, refused during a run.
    bool CloseCommandEnabled() const { return closeCommandEnabled_; }
    // The progress log as added (with the "^" marks).
    QStringList LogLines() const;

    void LoadSettings();
    void SaveSettings();
    void SetName();
    void AddLogLine(const QString& text);
    void FormKeyPress(int key);
    // Draws the progress line `index` into `rect`.
    void lst1DrawItem(QPainter& painter, int index, const QRect& rect, bool selected);

    void btn_ResetClick();
    void btn_BrowserClick();
    void btn_ExitClick();
    void btn1Click();
    void btn_ExportClick();
    void rb_CurDocumentClick();
    void chk_PageAreaClick();
    void chk_PageHalfClick();
    void chk_InculdePagenameClick();
    void cbb_FiletypeChange();

    QGroupBox* grp1;
    QLineEdit* edt_fileName;
    QCheckBox* chk_InculdePagename;
    QCheckBox* chk_FilenameAddNum;
    QPushButton* btn_Reset;
    QLineEdit* edt_Location;
    QPushButton* btn_Browser;
    QComboBox* cbb_ColorMode;
    QComboBox* cbb_CompressType;
    QComboBox* cbb_Resolution;
    QComboBox* cbb_Filetype;
    QComboBox* cbb_Scale;
    QGroupBox* grpRange;
    QRadioButton* rb_CurDocument;
    QRadioButton* rb_CurPage;
    QRadioButton* rb_Page;
    QLineEdit* edt_PagezNum;
    QRadioButton* rb_Document;
    QRadioButton* rb_Selection;
    QRadioButton* rb_SelectionArea;
    QListWidget* chklst_Documents;
    QGroupBox* grp3;
    QCheckBox* chk_PageArea;
    QCheckBox* chk_PageHalf;
    QComboBox* cbb_PageHalf;
    QGroupBox* grpSwitches;
    QCheckBox* chk_OverPrintBlack;
    QCheckBox* chk_Smooth;
    QCheckBox* chk_UseColorProfile;
    QCheckBox* chk_Transparent;
    QCheckBox* chk_MaintainLayers;
    QPushButton* btn_Export;
    QPushButton* btn_Exit;
    QPushButton* btn1;
    QListWidget* lst1;

protected:
    void FormCreate() override;
    void FormClose() override;
    void DocumentOpen(com::IVGDocument* Doc, const QString& FileName) override;
    void DocumentNew(com::IVGDocument* Doc, bool FromTemplate, const QString& Template,
                     bool IncludeGraphics) override;
    void DocumentClose(com::IVGDocument* Doc) override;
    void SelectionChange() override;

    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

public:
    // Run state of the last run (the engine keeps it while it runs).
    QString outFileName;
    int32_t ind = 0;

protected:
    std::unique_ptr<TIniFile> settingsIniFile;
    double firstKTime = 0;
    double secondKTime = 0;

private:
    class View;

    void BuildControls();
    void ApplyPageAreaRules();
    void ApplySelectionRule();
    void SetBusy(bool busy);
    void RunFinished();
    void RefusePageField();
    // Closes now, or when the run that goes ends.
    void RequestClose();
    // The file-name field's text for the active document (any thread).
    static QString FileNameOfActiveDocument(com::IVGApplication* app);

    TClock clock_;
    bool running_ = false;
    bool closeCommandEnabled_ = true;
    bool closeAfterRun_ = false;
    bool destroying_ = false;
    std::shared_ptr<exporting::TExportEngine> engine_;
    std::thread worker_;
};

} // namespace mosvik
