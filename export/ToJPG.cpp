#include "ToJPG.h"

#include "framework/DebugUtils.h"
#include "framework/HandlerGuard.h"
#include "framework/Utils.h"

#include "core/host/HostError.h"
#include "core/host/HostOps.h"
#include "core/host/HostText.h"
#include "platform/Dialogs.h"
#include "platform/UiThread.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QStyledItemDelegate>

#include <chrono>

namespace mosvik {

using namespace com;
using exporting::TExportRange;

namespace {

constexpr int EscKey = 27;
constexpr double SecondsPerDay = 86400.0;
constexpr double EscWindowSeconds = 0.5;

double systemNow() {
    // Days, as the toolkit's date-time values count them.
    return double(QDateTime::currentMSecsSinceEpoch()) / (SecondsPerDay * 1000.0);
}

// The default save location: the user's Pictures folder where the Windows
// build used "D:\".
QString defaultLocation() {
    QString pictures = GetSpecialFolderPath(39);
    if (pictures.isEmpty())
        pictures = QDir::homePath();
    return pictures;
}

template <class T> T* named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

int32_t selectedShapeCount(IVGApplication* app) {
    ComPtr<IVGDocument> doc;
    check(app, app->get_ActiveDocument(doc.put()));
    if (!doc)
        return 0;
    ComPtr<IVGShape> selection;
    check(doc, doc->get_Selection(selection.put()));
    if (!selection)
        return 0;
    ComPtr<IVGShapes> shapes;
    check(selection, selection->get_Shapes(shapes.put()));
    if (!shapes)
        return 0;
    int32_t n = 0;
    check(shapes, shapes->get_Count(&n));
    return n;
}

class TLogDelegate : public QStyledItemDelegate {
public:
    TLogDelegate(TfToJPG* window) : QStyledItemDelegate(window), window_(window) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        window_->lst1DrawItem(*painter, index.row(), option.rect,
                              option.state.testFlag(QStyle::State_Selected));
    }
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return QSize(0, 13);
    }

private:
    TfToJPG* window_;
};

} // namespace

// The engine's side of the window. It never touches the window from the
// worker: lines and field texts are queued to the user-interface thread, in
// order, and dropped there if the window has gone meanwhile.
class TfToJPG::View : public exporting::TExportView {
public:
    View(TfToJPG* window, IVGApplication* app) : window_(window), app_(app) {}
    void AddLogLine(const QString& text) override {
        post([text](TfToJPG& w) { w.AddLogLine(text); });
    }
    void SetName() override {
        try {
            const QString name = FileNameOfActiveDocument(app_.get());
            post([name](TfToJPG& w) { w.edt_fileName->setText(name); });
        } catch (...) {
            const exporting::TUiWait wait(uiWaits);
            DebugUtils::ShowMessage(QStringLiteral("TfToJPG.SetName  错误：") +
                                    exceptionMessage(std::current_exception()));
        }
    }
    void RefusePageField() override {
        post([](TfToJPG& w) { w.RefusePageField(); });
    }
    // Runs `f` on the window on the user-interface thread, after everything
    // posted before.
    template <class F> void post(F&& f) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [w = window_, f = std::forward<F>(f)] {
                if (w)
                    f(*w);
            },
            Qt::QueuedConnection);
    }

    std::atomic<int>* uiWaits = nullptr;

private:
    QPointer<TfToJPG> window_;
    ComPtr<IVGApplication> app_;
};

TfToJPG::TfToJPG(QWidget* AOwner, IVGApplication* App)
    : TTBaseForm(AOwner, App), clock_(systemNow) {
    setObjectName(QStringLiteral("fToJPG"));
    setWindowTitle(QStringLiteral("图片导出"));
    SetClientSize(578, 554);
    setProperty("mosvikBusy", false);
    BuildControls();
}

TfToJPG::~TfToJPG() {
    destroying_ = true;
    if (!worker_.joinable())
        return;
    // The run uses the host, not this window: let it end, answering what it
    // asks of this thread meanwhile. A run that waits for a box shown
    // further down this thread's stack cannot end before this returns, so
    // it is left to finish on its own.
    const auto engine = engine_;
    engine->RequestStop();
    while (!engine->Finished() && engine->uiWaits == 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (!worker_.joinable())
        return; // joined by the run's end, delivered meanwhile
    if (engine->Finished())
        worker_.join();
    else
        worker_.detach();
}

void TfToJPG::BuildControls() {
    auto label = [](QWidget* parent, const QString& text, int x, int y) {
        auto* l = new QLabel(text, parent);
        l->move(x, y + 3);
        return l;
    };
    auto check = [](QWidget* parent, const char* name, const QString& text, int x, int y, int w,
                    bool checked) {
        auto* c = named(new QCheckBox(text, parent), name);
        c->setGeometry(x, y, w, 20);
        c->setChecked(checked);
        return c;
    };
    auto combo = [](QWidget* parent, const char* name, const QStringList& items, int x, int y,
                    int w, bool editable) {
        auto* c = named(new QComboBox(parent), name);
        c->setEditable(editable);
        c->addItems(items);
        c->setGeometry(x, y, w, 22);
        return c;
    };
    auto button = [](QWidget* parent, const char* name, const QString& text, int x, int y, int w) {
        auto* b = named(new QPushButton(text, parent), name);
        b->setGeometry(x, y, w, 25);
        return b;
    };
    auto radio = [](QWidget* parent, const char* name, const QString& text, int x, int y) {
        auto* r = named(new QRadioButton(text, parent), name);
        r->setGeometry(x, y, 84, 20);
        return r;
    };

    grp1 = named(new QGroupBox(this), "grp1");
    grp1->setGeometry(8, 4, 562, 384);

    label(grp1, QStringLiteral("文件名："), 12, 18);
    edt_fileName = named(new QLineEdit(grp1), "edt_fileName");
    edt_fileName->setGeometry(76, 18, 228, 22);
    chk_InculdePagename =
        check(grp1, "chk_InculdePagename", QStringLiteral("包含页面名"), 312, 19, 90, true);
    chk_FilenameAddNum =
        check(grp1, "chk_FilenameAddNum", QStringLiteral("文件名后加编号"), 404, 19, 104, true);
    btn_Reset = button(grp1, "btn_Reset", QStringLiteral("重置"), 508, 17, 46);

    label(grp1, QStringLiteral("保存位置："), 12, 50);
    edt_Location = named(new QLineEdit(grp1), "edt_Location");
    edt_Location->setGeometry(76, 50, 382, 22);
    edt_Location->setToolTip(QStringLiteral("图片保存的位置"));
    edt_Location->setText(defaultLocation());
    btn_Browser = button(grp1, "btn_Browser", QStringLiteral("浏览"), 466, 49, 88);

    label(grp1, QStringLiteral("颜色模式："), 12, 82);
    cbb_ColorMode =
        combo(grp1, "cbb_ColorMode",
              {QStringLiteral("黑白"), QStringLiteral("灰度"), QStringLiteral("调色版"),
               QStringLiteral("16位"), QStringLiteral("RGB"), QStringLiteral("CMYK"),
               QStringLiteral("双色"), QStringLiteral("颜色模型"), QStringLiteral("CMYK多通道"),
               QStringLiteral("RGB多通道"), QStringLiteral("专色多通道")},
              76, 82, 110, false);
    cbb_ColorMode->setCurrentIndex(5);
    label(grp1, QStringLiteral("文件压缩："), 200, 82);
    cbb_CompressType =
        combo(grp1, "cbb_CompressType",
              {QStringLiteral("无压缩"), QStringLiteral("LZW"), QStringLiteral("PackBits"),
               QStringLiteral("Huffman"), QStringLiteral("CCITT3_1d"), QStringLiteral("CCITT3_2d"),
               QStringLiteral("CCITT4"), QStringLiteral("RLE_LW"), QStringLiteral("ZIP"),
               QStringLiteral("JPEG")},
              264, 82, 110, false);
    cbb_CompressType->setCurrentIndex(9);
    label(grp1, QStringLiteral("分辨率："), 390, 82);
    cbb_Resolution = combo(grp1, "cbb_Resolution",
                           {QStringLiteral("72"), QStringLiteral("96"), QStringLiteral("150"),
                            QStringLiteral("200"), QStringLiteral("300"), QStringLiteral("500"),
                            QStringLiteral("600"), QStringLiteral("1200")},
                           444, 82, 110, true);
    cbb_Resolution->setCurrentText(QStringLiteral("72"));

    label(grp1, QStringLiteral("格式："), 12, 114);
    cbb_Filetype = combo(grp1, "cbb_Filetype",
                         {QStringLiteral("JPG"), QStringLiteral("GIF"), QStringLiteral("PNG"),
                          QStringLiteral("BMP"), QStringLiteral("PSD")},
                         76, 114, 110, false);
    cbb_Filetype->setCurrentIndex(0);
    label(grp1, QStringLiteral("缩放倍数："), 200, 114);
    cbb_Scale = combo(grp1, "cbb_Scale",
                      {QStringLiteral("10"), QStringLiteral("5"), QStringLiteral("1"),
                       QStringLiteral("0.1"), QStringLiteral("0.5")},
                      264, 114, 110, true);
    cbb_Scale->setCurrentText(QStringLiteral("1"));

    grpRange = named(new QGroupBox(QStringLiteral("范围选择"), grp1), "grpRange");
    grpRange->setGeometry(12, 146, 336, 128);
    rb_CurDocument = radio(grpRange, "rb_CurDocument", QStringLiteral("当前文档"), 10, 20);
    rb_Document = radio(grpRange, "rb_Document", QStringLiteral("文档"), 110, 20);
    rb_CurPage = radio(grpRange, "rb_CurPage", QStringLiteral("当前页"), 10, 50);
    rb_Page = radio(grpRange, "rb_Page", QStringLiteral("页"), 110, 50);
    rb_Page->setFixedWidth(40);
    edt_PagezNum = named(new QLineEdit(grpRange), "edt_PagezNum");
    edt_PagezNum->setGeometry(152, 49, 172, 22);
    rb_Selection = radio(grpRange, "rb_Selection", QStringLiteral("选中内容"), 10, 80);
    rb_SelectionArea = radio(grpRange, "rb_SelectionArea", QStringLiteral("选中范围"), 110, 80);
    rb_CurDocument->setChecked(true);
    chklst_Documents = named(new QListWidget(grpRange), "chklst_Documents");
    chklst_Documents->setGeometry(6, 44, 230, 78);
    chklst_Documents->hide();

    grp3 = named(new QGroupBox(QStringLiteral("页面范围"), grp1), "grp3");
    grp3->setGeometry(356, 146, 198, 80);
    chk_PageArea = check(grp3, "chk_PageArea", QStringLiteral("页面范围"), 10, 22, 120, false);
    chk_PageHalf = check(grp3, "chk_PageHalf", QStringLiteral("页面一分二"), 10, 50, 90, false);
    cbb_PageHalf =
        combo(grp3, "cbb_PageHalf", {QStringLiteral("纵向分割"), QStringLiteral("横向分割")}, 102,
              49, 88, false);
    cbb_PageHalf->setCurrentIndex(0);

    grpSwitches = named(new QGroupBox(grp1), "grpSwitches");
    grpSwitches->setGeometry(12, 282, 542, 48);
    chk_OverPrintBlack =
        check(grpSwitches, "chk_OverPrintBlack", QStringLiteral("总是叠印黑色"), 10, 16, 104, true);
    chk_Smooth = check(grpSwitches, "chk_Smooth", QStringLiteral("光滑处理"), 120, 16, 100, true);
    chk_UseColorProfile = check(grpSwitches, "chk_UseColorProfile", QStringLiteral("使用用户配置"),
                                226, 16, 104, true);
    chk_Transparent =
        check(grpSwitches, "chk_Transparent", QStringLiteral("透明处理"), 336, 16, 96, false);
    chk_MaintainLayers =
        check(grpSwitches, "chk_MaintainLayers", QStringLiteral("保持图层"), 438, 16, 96, false);

    btn1 = button(grp1, "btn1", QStringLiteral("紧急退出按钮"), 12, 344, 120);
    btn1->hide();
    btn_Export = button(grp1, "btn_Export", QStringLiteral("导出"), 378, 344, 84);
    btn_Export->setDefault(true);
    btn_Exit = button(grp1, "btn_Exit", QStringLiteral("退出"), 470, 344, 84);

    lst1 = named(new QListWidget(this), "lst1");
    lst1->setGeometry(8, 394, 562, 152);
    lst1->setUniformItemSizes(true);
    lst1->setItemDelegate(new TLogDelegate(this));

    connect(btn_Reset, &QPushButton::clicked, this, guarded(this, &TfToJPG::btn_ResetClick));
    connect(btn_Browser, &QPushButton::clicked, this, guarded(this, &TfToJPG::btn_BrowserClick));
    connect(btn_Exit, &QPushButton::clicked, this, guarded(this, &TfToJPG::btn_ExitClick));
    connect(btn1, &QPushButton::clicked, this, guarded(this, &TfToJPG::btn1Click));
    connect(btn_Export, &QPushButton::clicked, this, guarded(this, &TfToJPG::btn_ExportClick));
    for (QRadioButton* rb :
         {rb_CurDocument, rb_CurPage, rb_Page, rb_Document, rb_Selection, rb_SelectionArea}) {
        // Only the button switched on: the one switched off on the way
        // would see a group with nothing checked.
        connect(rb, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                guarded(this, &TfToJPG::rb_CurDocumentClick)();
        });
    }
    connect(chk_PageArea, &QCheckBox::toggled, this, guarded(this, &TfToJPG::chk_PageAreaClick));
    connect(chk_PageHalf, &QCheckBox::toggled, this, guarded(this, &TfToJPG::chk_PageHalfClick));
    connect(chk_InculdePagename, &QCheckBox::toggled, this,
            guarded(this, &TfToJPG::chk_InculdePagenameClick));
    connect(cbb_Filetype, qOverload<int>(&QComboBox::currentIndexChanged), this,
            guarded(this, &TfToJPG::cbb_FiletypeChange));

    // Key preview: the window sees keys before its controls do.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

void TfToJPG::FormCreate() {
    if (!CheckPrecondition(true, true))
        return;
    settingsSection = QStringLiteral("导出图片");
    AdviseEvents();
    settingsIniFile = OpenSettingsFile();

    LoadSettings();
    SetName();
    ApplySelectionRule();

    chklst_Documents->clear();
    ComPtr<IVGDocuments> docs;
    check(FApp, FApp->get_Documents(docs.put()));
    int32_t count = 0;
    check(docs, docs->get_Count(&count));
    for (int32_t i = 1; i <= count; ++i) {
        ComPtr<IVGDocument> doc;
        check(docs, docs->get_Item(i, doc.put()));
        Bstr name;
        check(doc, doc->get_Name(name.put()));
        auto* item = new QListWidgetItem(QString::fromStdU16String(name.text()), chklst_Documents);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }

    rb_CurDocumentClick();
    chk_PageAreaClick();
    cbb_FiletypeChange();
    chk_OverPrintBlack->setEnabled(host_ops::versionMajor(FApp.get()) > 14);
}

void TfToJPG::FormClose() {
    TTBaseForm::FormClose();
    if (!settingsIniFile)
        return;
    // A settings file that cannot be written must not keep the window open
    // for ever: the error is shown and the window closes.
    runGuarded(this, [&] { SaveSettings(); });
    settingsIniFile.reset();
}

void TfToJPG::LoadSettings() {
    const QString& s = settingsSection;
    TIniFile& ini = *settingsIniFile;
    edt_Location->setText(ini.ReadString(s, QStringLiteral("保存位置"), defaultLocation()));
    cbb_ColorMode->setCurrentIndex(ini.ReadInteger(s, QStringLiteral("颜色模式"), 5));
    cbb_CompressType->setCurrentIndex(ini.ReadInteger(s, QStringLiteral("压缩模式"), 9));
    cbb_Resolution->setCurrentText(ini.ReadString(s, QStringLiteral("分辨率"), "72"));
    cbb_Filetype->setCurrentIndex(ini.ReadInteger(s, QStringLiteral("文件格式"), 0));
    cbb_Scale->setCurrentText(ini.ReadString(s, QStringLiteral("缩放倍数"), "1"));
    chk_OverPrintBlack->setChecked(ini.ReadBool(s, QStringLiteral("总是叠印黑色"), true));
    chk_Smooth->setChecked(ini.ReadBool(s, QStringLiteral("光滑处理"), true));
    chk_UseColorProfile->setChecked(ini.ReadBool(s, QStringLiteral("使用用户配置"), true));
    chk_Transparent->setChecked(ini.ReadBool(s, QStringLiteral("透明处理"), false));
    chk_MaintainLayers->setChecked(ini.ReadBool(s, QStringLiteral("保持图层"), false));
}

void TfToJPG::SaveSettings() {
    const QString& s = settingsSection;
    TIniFile& ini = *settingsIniFile;
    ini.WriteString(s, QStringLiteral("保存位置"), edt_Location->text());
    ini.WriteInteger(s, QStringLiteral("颜色模式"), cbb_ColorMode->currentIndex());
    ini.WriteInteger(s, QStringLiteral("压缩模式"), cbb_CompressType->currentIndex());
    ini.WriteString(s, QStringLiteral("分辨率"), cbb_Resolution->currentText());
    ini.WriteInteger(s, QStringLiteral("文件格式"), cbb_Filetype->currentIndex());
    ini.WriteString(s, QStringLiteral("缩放倍数"), cbb_Scale->currentText());
    ini.WriteBool(s, QStringLiteral("总是叠印黑色"), chk_OverPrintBlack->isChecked());
    ini.WriteBool(s, QStringLiteral("光滑处理"), chk_Smooth->isChecked());
    ini.WriteBool(s, QStringLiteral("使用用户配置"), chk_UseColorProfile->isChecked());
    ini.WriteBool(s, QStringLiteral("透明处理"), chk_Transparent->isChecked());
    ini.WriteBool(s, QStringLiteral("保持图层"), chk_MaintainLayers->isChecked());
}

QString TfToJPG::FileNameOfActiveDocument(IVGApplication* app) {
    auto doc = host_ops::activeDocument(app);
    Bstr name;
    check(doc, doc->get_Name(name.put()));
    return exporting::NameFromDocumentName(QString::fromStdU16String(name.text()));
}

void TfToJPG::SetName() {
    try {
        edt_fileName->setText(FileNameOfActiveDocument(FApp.get()));
    } catch (...) {
        DebugUtils::ShowMessage(QStringLiteral("TfToJPG.SetName  错误：") +
                                exceptionMessage(std::current_exception()));
    }
}

void TfToJPG::AddLogLine(const QString& text) {
    lst1->addItem(text);
    lst1->setCurrentRow(lst1->count() - 1);
}

QStringList TfToJPG::LogLines() const {
    QStringList lines;
    for (int i = 0; i < lst1->count(); ++i)
        lines << lst1->item(i)->text();
    return lines;
}

void TfToJPG::lst1DrawItem(QPainter& painter, int index, const QRect& rect, bool selected) {
    QListWidgetItem* item = lst1->item(index);
    if (!item)
        return;
    painter.save();
    if (selected) {
        // A light mark: the line's own colour must stay readable on it.
        QColor mark = lst1->palette().color(QPalette::Highlight);
        mark.setAlpha(60);
        painter.fillRect(rect, mark);
    }
    QString text = item->text();
    if (text.startsWith('^')) {
        text.remove(0, 1);
        painter.setPen(QColor(255, 0, 0));
    } else {
        painter.setPen(lst1->palette().color(QPalette::WindowText));
    }
    painter.setFont(lst1->font());
    painter.drawText(rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    painter.restore();
}

void TfToJPG::FormKeyPress(int key) {
    if (key != EscKey || !btn1->isHidden())
        return;
    const double now = clock_();
    if (firstKTime == 0) {
        firstKTime = now;
    } else if (secondKTime == 0) {
        secondKTime = now;
        if ((secondKTime - firstKTime) * SecondsPerDay > EscWindowSeconds) {
            firstKTime = 0;
            secondKTime = 0;
        }
    } else if ((now - secondKTime) * SecondsPerDay > EscWindowSeconds) {
        firstKTime = 0;
        secondKTime = 0;
    } else {
        btn1->show();
    }
}

bool TfToJPG::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        // Esc is the cancel key of "退出" while that button can take it; only
        // otherwise (during a run) does the key reach the key handler.
        if (btn_Exit->isEnabled() && !btn_Exit->isHidden())
            btn_Exit->click();
        else
            runGuarded(this, [&] { FormKeyPress(EscKey); });
        return true;
    }
    return TTBaseForm::eventFilter(watched, event);
}

void TfToJPG::mousePressEvent(QMouseEvent* event) {
    TTBaseForm::mousePressEvent(event);
    runGuarded(this, [&] { rb_CurDocumentClick(); });
}

void TfToJPG::btn_ResetClick() {
    SetName();
}

void TfToJPG::btn_BrowserClick() {
    const auto folder =
        platform::browseFolder(this, QStringLiteral("选择保存位置"), edt_Location->text());
    if (folder) {
        edt_Location->setText(*folder);
    } else if (!edt_Location->text().isEmpty() && !QFileInfo(edt_Location->text()).isDir()) {
        edt_Location->clear();
    }
}

void TfToJPG::btn_ExitClick() {
    RequestClose();
}

void TfToJPG::btn1Click() {
    RequestClose();
}

void TfToJPG::rb_CurDocumentClick() {
    chklst_Documents->setVisible(rb_Document->isChecked());
    if (rb_CurDocument->isChecked()) {
        ComPtr<IVGDocument> doc;
        check(FApp, FApp->get_ActiveDocument(doc.put()));
        if (doc) {
            ComPtr<IVGPages> pages;
            check(doc, doc->get_Pages(pages.put()));
            int32_t count = 0;
            check(pages, pages->get_Count(&count));
            edt_PagezNum->setText(exporting::PageFieldForDocument(count));
        }
    }
    if (rb_CurPage->isChecked()) {
        ComPtr<IVGDocument> doc;
        check(FApp, FApp->get_ActiveDocument(doc.put()));
        if (doc) {
            ComPtr<IVGPage> page;
            check(doc, doc->get_ActivePage(page.put()));
            if (page) {
                int32_t index = 0;
                check(page, page->get_Index(&index));
                edt_PagezNum->setText(QString::number(index));
            }
        }
    }
    grp3->setEnabled(!rb_Selection->isChecked());
    edt_fileName->setEnabled(!rb_Document->isChecked());
    edt_PagezNum->setEnabled(rb_Page->isChecked());
}

void TfToJPG::chk_PageAreaClick() {
    ApplyPageAreaRules();
}

void TfToJPG::chk_PageHalfClick() {
    cbb_PageHalf->setEnabled(chk_PageHalf->isChecked());
}

void TfToJPG::ApplyPageAreaRules() {
    chk_PageHalf->setEnabled(chk_PageArea->isChecked());
    cbb_PageHalf->setEnabled(chk_PageArea->isChecked() && chk_PageHalf->isChecked());
}

void TfToJPG::chk_InculdePagenameClick() {
    chk_FilenameAddNum->setEnabled(chk_InculdePagename->isChecked());
    if (!chk_InculdePagename->isChecked())
        chk_FilenameAddNum->setChecked(true);
}

void TfToJPG::cbb_FiletypeChange() {
    auto allow = [](QCheckBox* box, bool allowed) {
        box->setEnabled(allowed);
        if (!allowed)
            box->setChecked(false);
    };
    switch (cbb_Filetype->currentIndex()) {
    case 0:
    case 3:
        allow(chk_Transparent, false);
        allow(chk_MaintainLayers, false);
        break;
    case 1:
    case 2:
        allow(chk_Transparent, true);
        allow(chk_MaintainLayers, false);
        break;
    case 4:
        allow(chk_Transparent, true);
        allow(chk_MaintainLayers, true);
        break;
    default:
        break;
    }
}

void TfToJPG::ApplySelectionRule() {
    if (selectedShapeCount(FApp.get()) == 0) {
        const bool fallBack = rb_Selection->isChecked() || rb_SelectionArea->isChecked();
        rb_Selection->setEnabled(false);
        rb_SelectionArea->setEnabled(false);
        if (fallBack)
            rb_CurDocument->setChecked(true);
    } else {
        rb_Selection->setEnabled(true);
        rb_SelectionArea->setEnabled(true);
    }
    rb_CurDocumentClick();
}

void TfToJPG::SelectionChange() {
    ApplySelectionRule();
}

void TfToJPG::DocumentOpen(IVGDocument*, const QString&) {
    SetName();
}

void TfToJPG::DocumentNew(IVGDocument*, bool, const QString&, bool) {
    SetName();
}

void TfToJPG::DocumentClose(IVGDocument*) {
    const int32_t version = host_ops::versionMajor(FApp.get());
    const int32_t count = host_ops::documentCount(FApp.get());
    if ((version <= 14 && count == 1) || (version > 14 && count == 0)) {
        AddLogLine(QStringLiteral("^文档已全部关闭，退出。。"));
        RequestClose();
    }
}

exporting::TExportSettings TfToJPG::TakeSettings() const {
    exporting::TExportSettings s;
    if (rb_CurDocument->isChecked())
        s.range = TExportRange::CurDocument;
    else if (rb_Document->isChecked())
        s.range = TExportRange::Document;
    else if (rb_CurPage->isChecked())
        s.range = TExportRange::CurPage;
    else if (rb_Page->isChecked())
        s.range = TExportRange::Page;
    else if (rb_Selection->isChecked())
        s.range = TExportRange::Selection;
    else if (rb_SelectionArea->isChecked())
        s.range = TExportRange::SelectionArea;
    s.fileName = edt_fileName->text();
    s.location = edt_Location->text();
    s.colorMode = cbb_ColorMode->currentIndex();
    s.compression = cbb_CompressType->currentIndex();
    s.resolution = cbb_Resolution->currentText();
    s.fileType = cbb_Filetype->currentIndex();
    s.scale = cbb_Scale->currentText();
    s.overprintBlack = chk_OverPrintBlack->isChecked();
    s.smooth = chk_Smooth->isChecked();
    s.useColorProfile = chk_UseColorProfile->isChecked();
    s.transparent = chk_Transparent->isChecked();
    s.maintainLayers = chk_MaintainLayers->isChecked();
    s.includePageName = chk_InculdePagename->isChecked();
    s.addNumber = chk_FilenameAddNum->isChecked();
    s.pageField = edt_PagezNum->text();
    s.pageArea = chk_PageArea->isChecked();
    s.pageHalf = chk_PageHalf->isChecked();
    s.pageHalfIndex = cbb_PageHalf->currentIndex();
    for (int i = 0; i < chklst_Documents->count(); ++i) {
        // Read as a number: checkState() would register Qt::CheckState with
        // Qt's type registry from inside this library, and the registry keeps
        // that entry after the library is unloaded and loaded again.
        if (chklst_Documents->item(i)->data(Qt::CheckStateRole).toInt() == Qt::Checked)
            s.checkedDocumentNames << chklst_Documents->item(i)->text();
    }
    return s;
}

void TfToJPG::btn_ExportClick() {
    if (running_)
        return;
    exporting::TExportSettings settings = TakeSettings();
    running_ = true;
    SetBusy(true);
    auto view = std::make_shared<View>(this, FApp.get());
    engine_ = std::make_shared<exporting::TExportEngine>(FApp.get(), std::move(settings), *view);
    view->uiWaits = &engine_->uiWaits;
    worker_ = std::thread([view, engine = engine_] {
        engine->RunExport();
        view->post([](TfToJPG& w) { w.RunFinished(); });
    });
}

void TfToJPG::RunFinished() {
    if (worker_.joinable())
        worker_.join();
    if (!engine_)
        return;
    outFileName = engine_->outFileName;
    ind = engine_->ind;
    engine_.reset();
    running_ = false;
    if (destroying_)
        return;
    SetBusy(false);
    if (closeAfterRun_) {
        closeAfterRun_ = false;
        close();
    }
}

void TfToJPG::SetBusy(bool busy) {
    grp1->setEnabled(!busy);
    closeCommandEnabled_ = !busy;
    setProperty("mosvikBusy", busy);
}

void TfToJPG::RefusePageField() {
    edt_PagezNum->clear();
    edt_PagezNum->setFocus();
}

void TfToJPG::closeEvent(QCloseEvent* event) {
    // The close command is disabled while a run goes: the run still uses the
    // window. Closes of the window's own (RequestClose) wait for its end.
    if (running_) {
        event->ignore();
        return;
    }
    TTBaseForm::closeEvent(event);
}

void TfToJPG::RequestClose() {
    if (running_)
        closeAfterRun_ = true;
    else
        close();
}

} // namespace mosvik
