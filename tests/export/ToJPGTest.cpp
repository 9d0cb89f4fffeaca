// The export window against the stand-in host: opening, controls and their
// rules, settings, host events, the Esc sequence, the log, and runs on the
// worker thread (busy state, deferred close, errors).
#include "ExportFixture.h"

#include "export/ToJPG.h"
#include "framework/IniFile.h"
#include "framework/Utils.h"

#include "core/host/HostText.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QKeyEvent>
#include <QPointer>
#include <QTextStream>
#include <QWindow>

namespace mosvik::test {
namespace {

class ToJPGTest : public ExportTest {
protected:
    void TearDown() override {
        if (window) {
            waitForRun();
            window->close();
        }
        flushDeletes();
    }
    TfToJPG* open() {
        window = TTBaseForm::create<TfToJPG>(nullptr, host.com());
        return window.data();
    }
    static void flushDeletes() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // Lets the queued calls of a run arrive until it has ended.
    void waitForRun() {
        while (window && window->Running())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::processEvents();
    }
    QString iniPath() const { return settingsDir.filePath("mosvik1.ini"); }
    void writeIni(const QString& text) {
        QFile f(iniPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text.toUtf8());
    }
    QStringList iniLines() const {
        QFile f(iniPath());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }
    static QStringList items(QComboBox* box) {
        QStringList texts;
        for (int i = 0; i < box->count(); ++i)
            texts << box->itemText(i);
        return texts;
    }

    QPointer<TfToJPG> window;
};

TEST_F(ToJPGTest, RefusesWithoutADocumentOrAShape) {
    EXPECT_EQ(open(), nullptr);
    newDocument(1, {});
    EXPECT_EQ(open(), nullptr);
    ASSERT_EQ(dialogs.messages().size(), size_t(2));
    EXPECT_EQ(dialogs.messages()[0].text, "没有文档被打开！");
    EXPECT_EQ(dialogs.messages()[1].text, "到少需要一个对象！");
    EXPECT_EQ(dialogs.messages()[1].caption, "错误");
    EXPECT_EQ(host.sinkCount(), 0);
}

TEST_F(ToJPGTest, OpensWithItsControlsAndDefaults) {
    newDocument(1, {1});
    ASSERT_TRUE(open());
    window->show();
    EXPECT_EQ(window->windowTitle(), "图片导出");
    EXPECT_EQ(window->size(), QSize(578, 554));
    EXPECT_EQ(host.sinkCount(), 1);

    struct Combo {
        QComboBox* box;
        QStringList items;
        QString text;
        bool editable;
    };
    const Combo combos[] = {
        {window->cbb_ColorMode,
         {"黑白", "灰度", "调色版", "16位", "RGB", "CMYK", "双色", "颜色模型", "CMYK多通道",
          "RGB多通道", "专色多通道"},
         "CMYK",
         false},
        {window->cbb_CompressType,
         {"无压缩", "LZW", "PackBits", "Huffman", "CCITT3_1d", "CCITT3_2d", "CCITT4", "RLE_LW",
          "ZIP", "JPEG"},
         "JPEG",
         false},
        {window->cbb_Resolution,
         {"72", "96", "150", "200", "300", "500", "600", "1200"},
         "72",
         true},
        {window->cbb_Filetype, {"JPG", "GIF", "PNG", "BMP", "PSD"}, "JPG", false},
        {window->cbb_Scale, {"10", "5", "1", "0.1", "0.5"}, "1", true},
        {window->cbb_PageHalf, {"纵向分割", "横向分割"}, "纵向分割", false},
    };
    for (const Combo& c : combos) {
        SCOPED_TRACE(c.box->objectName().toStdString());
        EXPECT_EQ(items(c.box), c.items);
        EXPECT_EQ(c.box->currentText(), c.text);
        EXPECT_EQ(c.box->isEditable(), c.editable);
    }

    struct Check {
        QAbstractButton* button;
        const char* caption;
        bool checked;
    };
    const Check checks[] = {
        {window->chk_InculdePagename, "包含页面名", true},
        {window->chk_FilenameAddNum, "文件名后加编号", true},
        {window->rb_CurDocument, "当前文档", true},
        {window->rb_CurPage, "当前页", false},
        {window->rb_Page, "页", false},
        {window->rb_Document, "文档", false},
        {window->rb_Selection, "选中内容", false},
        {window->rb_SelectionArea, "选中范围", false},
        {window->chk_PageArea, "页面范围", false},
        {window->chk_PageHalf, "页面一分二", false},
        {window->chk_OverPrintBlack, "总是叠印黑色", true},
        {window->chk_Smooth, "光滑处理", true},
        {window->chk_UseColorProfile, "使用用户配置", true},
        {window->chk_Transparent, "透明处理", false},
        {window->chk_MaintainLayers, "保持图层", false},
        {window->btn_Reset, "重置", false},
        {window->btn_Browser, "浏览", false},
        {window->btn_Export, "导出", false},
        {window->btn_Exit, "退出", false},
        {window->btn1, "紧急退出按钮", false},
    };
    for (const Check& c : checks) {
        SCOPED_TRACE(c.caption);
        EXPECT_EQ(c.button->text(), QString::fromUtf8(c.caption));
        EXPECT_EQ(c.button->isChecked(), c.checked);
        EXPECT_EQ(window->findChild<QAbstractButton*>(c.button->objectName()), c.button);
    }
    EXPECT_TRUE(window->btn_Export->isDefault());
    EXPECT_TRUE(window->btn1->isHidden());
    EXPECT_TRUE(window->chklst_Documents->isHidden());
    EXPECT_EQ(window->grp3->title(), "页面范围");
    EXPECT_EQ(window->edt_Location->toolTip(), "图片保存的位置");
    EXPECT_EQ(window->edt_Location->text(), GetSpecialFolderPath(39));
    EXPECT_EQ(window->edt_fileName->text(), "海报");
    EXPECT_EQ(window->edt_PagezNum->text(), "1");
    EXPECT_FALSE(window->edt_PagezNum->isEnabled());
    EXPECT_FALSE(window->chk_PageHalf->isEnabled());
    EXPECT_FALSE(window->cbb_PageHalf->isEnabled());
    EXPECT_FALSE(window->chk_Transparent->isEnabled());
    EXPECT_FALSE(window->chk_MaintainLayers->isEnabled());
    EXPECT_FALSE(window->rb_Selection->isEnabled());
    EXPECT_EQ(window->property("mosvikBusy").toBool(), false);

    const QImage shot = window->grab().toImage();
    shot.save("/tmp/export-window.png");
    EXPECT_FALSE(shot.isNull());
}

TEST_F(ToJPGTest, SettingsAreReadAtOpeningAndWrittenAtClosingInOrder) {
    newDocument(1, {1});
    writeIni("[导出图片]\n保存位置=/srv/out\n颜色模式=2\n压缩模式=0\n分辨率=333\n文件格式=4\n"
             "缩放倍数=2.5\n总是叠印黑色=0\n光滑处理=0\n使用用户配置=0\n透明处理=1\n保持图层=1\n");
    ASSERT_TRUE(open());
    EXPECT_EQ(window->edt_Location->text(), "/srv/out");
    EXPECT_EQ(window->cbb_ColorMode->currentIndex(), 2);
    EXPECT_EQ(window->cbb_CompressType->currentIndex(), 0);
    EXPECT_EQ(window->cbb_Resolution->currentText(), "333");
    EXPECT_EQ(window->cbb_Filetype->currentIndex(), 4);
    EXPECT_EQ(window->cbb_Scale->currentText(), "2.5");
    EXPECT_FALSE(window->chk_OverPrintBlack->isChecked());
    EXPECT_FALSE(window->chk_Smooth->isChecked());
    EXPECT_FALSE(window->chk_UseColorProfile->isChecked());
    EXPECT_TRUE(window->chk_Transparent->isChecked());
    EXPECT_TRUE(window->chk_MaintainLayers->isChecked());

    window->cbb_Resolution->setCurrentText("450");
    window->cbb_Scale->setCurrentText("0.25");
    window->cbb_Filetype->setCurrentIndex(2);
    window->edt_Location->setText("/srv/其他");
    window->close();
    flushDeletes();
    EXPECT_FALSE(window);
    EXPECT_EQ(host.sinkCount(), 0);
    EXPECT_EQ(iniLines(),
              QStringList({"[导出图片]", "保存位置=/srv/其他", "颜色模式=2", "压缩模式=0",
                           "分辨率=450", "文件格式=2", "缩放倍数=0.25", "总是叠印黑色=0",
                           "光滑处理=0", "使用用户配置=0", "透明处理=1", "保持图层=0"}));
}

TEST_F(ToJPGTest, MissingSettingsTakeTheirDefaults) {
    newDocument(1, {1});
    writeIni("[导出图片]\n颜色模式=abc\n文件格式=9\n");
    ASSERT_TRUE(open());
    EXPECT_EQ(window->cbb_ColorMode->currentIndex(), 5);
    EXPECT_EQ(window->cbb_CompressType->currentIndex(), 9);
    EXPECT_EQ(window->cbb_Filetype->currentIndex(), -1); // outside the list
    EXPECT_EQ(window->TakeSettings().fileType, -1);
    EXPECT_EQ(exporting::FileExtension(window->TakeSettings().fileType), "");
}

TEST_F(ToJPGTest, ClosingWithAnUnwritableSettingsFileStillCloses) {
    newDocument(1, {1});
    ASSERT_TRUE(open());
    // A folder where the file should be: every write fails.
    QDir(settingsDir.path()).mkdir("mosvik1.ini");
    window->close();
    flushDeletes();
    EXPECT_FALSE(window);
    EXPECT_EQ(host.sinkCount(), 0);
    ASSERT_EQ(dialogs.messages().size(), size_t(1));
    EXPECT_EQ(dialogs.messages()[0].icon, platform::MsgIcon::Error);
}

TEST_F(ToJPGTest, RangeRulesFollowTheCheckedButton) {
    const auto doc = newDocument(5, {1, 3});
    const auto shape = host.drawing(doc).pages[0].layers[0].shapes[0].id;
    host.setSelection(doc, {shape});
    ASSERT_TRUE(open());
    EXPECT_EQ(window->edt_PagezNum->text(), "1-5");

    struct Case {
        QRadioButton* button;
        bool listShown;
        bool pageAreaEnabled;
        bool fileNameEnabled;
        bool pageFieldEnabled;
    };
    const Case cases[] = {
        {window->rb_Document, true, true, false, false},
        {window->rb_CurPage, false, true, true, false},
        {window->rb_Page, false, true, true, true},
        {window->rb_Selection, false, false, true, false},
        {window->rb_SelectionArea, false, true, true, false},
        {window->rb_CurDocument, false, true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button->text().toStdString());
        c.button->click();
        EXPECT_EQ(!window->chklst_Documents->isHidden(), c.listShown);
        EXPECT_EQ(window->grp3->isEnabled(), c.pageAreaEnabled);
        EXPECT_EQ(window->edt_fileName->isEnabled(), c.fileNameEnabled);
        EXPECT_EQ(window->edt_PagezNum->isEnabled(), c.pageFieldEnabled);
    }
    host.edit(doc, u"page", [&](host::model::Drawing& d) { d.activePage = d.pages[2].id; });
    window->rb_CurPage->click();
    EXPECT_EQ(window->edt_PagezNum->text(), "3");
}

TEST_F(ToJPGTest, PageAreaNamingAndFileTypeRules) {
    newDocument(1, {1});
    ASSERT_TRUE(open());
    window->chk_PageArea->click();
    EXPECT_TRUE(window->chk_PageHalf->isEnabled());
    EXPECT_FALSE(window->cbb_PageHalf->isEnabled());
    window->chk_PageHalf->click();
    EXPECT_TRUE(window->cbb_PageHalf->isEnabled());
    window->chk_PageArea->click();
    EXPECT_FALSE(window->chk_PageHalf->isEnabled());
    EXPECT_TRUE(window->chk_PageHalf->isChecked()); // disabled, still checked
    EXPECT_FALSE(window->cbb_PageHalf->isEnabled());

    window->chk_FilenameAddNum->setChecked(false);
    window->chk_InculdePagename->click();
    EXPECT_TRUE(window->chk_FilenameAddNum->isChecked());
    EXPECT_FALSE(window->chk_FilenameAddNum->isEnabled());
    window->chk_InculdePagename->click();
    EXPECT_TRUE(window->chk_FilenameAddNum->isEnabled());

    struct Case {
        int type;
        bool transparentEnabled;
        bool layersEnabled;
    };
    const Case cases[] = {{4, true, true},  {0, false, false}, {4, true, true},
                          {1, true, false}, {2, true, false},  {3, false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        window->chk_Transparent->setChecked(true);
        window->chk_MaintainLayers->setChecked(true);
        window->cbb_Filetype->setCurrentIndex(c.type);
        window->cbb_FiletypeChange();
        EXPECT_EQ(window->chk_Transparent->isEnabled(), c.transparentEnabled);
        EXPECT_EQ(window->chk_Transparent->isChecked(), c.transparentEnabled);
        EXPECT_EQ(window->chk_MaintainLayers->isEnabled(), c.layersEnabled);
        EXPECT_EQ(window->chk_MaintainLayers->isChecked(), c.layersEnabled);
    }
}

TEST_F(ToJPGTest, OverprintBlackNeedsAHostAboveVersion14) {
    newDocument(1, {1});
    for (int version = 14; version <= 18; ++version) {
        SCOPED_TRACE(version);
        host.setVersion(version);
        ASSERT_TRUE(open());
        EXPECT_EQ(window->chk_OverPrintBlack->isEnabled(), version > 14);
        window->close();
        flushDeletes();
    }
}

TEST_F(ToJPGTest, SelectionRuleRunsAtCreationAndOnEveryChange) {
    const auto doc = newDocument(1, {1});
    const auto shape = host.drawing(doc).pages[0].layers[0].shapes[0].id;
    ASSERT_TRUE(open());
    EXPECT_FALSE(window->rb_Selection->isEnabled());
    EXPECT_FALSE(window->rb_SelectionArea->isEnabled());

    host.setSelection(doc, {shape});
    EXPECT_TRUE(window->rb_Selection->isEnabled());
    EXPECT_TRUE(window->rb_SelectionArea->isEnabled());
    window->rb_Selection->click();
    EXPECT_FALSE(window->grp3->isEnabled());

    host.setSelection(doc, {});
    EXPECT_FALSE(window->rb_Selection->isEnabled());
    EXPECT_TRUE(window->rb_CurDocument->isChecked());
    EXPECT_TRUE(window->grp3->isEnabled());
    EXPECT_EQ(window->edt_PagezNum->text(), "1");
}

TEST_F(ToJPGTest, DocumentEventsNameTheFileAndTheLastCloseEndsTheWindow) {
    for (int version : {14, 15}) {
        SCOPED_TRACE(version);
        host.setVersion(version);
        const auto first = newDocument(1, {1}, u"一.cdr");
        ASSERT_TRUE(open());
        window->show();
        EXPECT_EQ(window->chklst_Documents->count(), 1);
        const auto second = host.newDocument(u"二.cdr");
        EXPECT_EQ(window->edt_fileName->text(), "二");
        EXPECT_EQ(window->chklst_Documents->count(), 1); // filled once
        window->edt_fileName->setText("x");
        window->btn_Reset->click();
        EXPECT_EQ(window->edt_fileName->text(), "二");

        host.closeDocument(second);
        EXPECT_TRUE(window->isVisible());
        host.closeDocument(first);
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(window->LogLines(), QStringList{"^文档已全部关闭，退出。。"});
        flushDeletes();
        EXPECT_FALSE(window);
        EXPECT_EQ(host.sinkCount(), 0);
    }
}

TEST_F(ToJPGTest, FolderBrowserStartsAtTheLocation) {
    newDocument(1, {1});
    ASSERT_TRUE(open());
    window->edt_Location->setText(folder.path());
    dialogs.answerFolder(QStringLiteral("/srv/新"));
    window->btn_Browser->click();
    ASSERT_EQ(dialogs.shown().size(), size_t(1));
    EXPECT_EQ(dialogs.shown()[0].kind, platform::ShownDialog::Folder);
    EXPECT_EQ(dialogs.shown()[0].text, "选择保存位置");
    EXPECT_EQ(dialogs.shown()[0].defaultText, folder.path());
    EXPECT_EQ(window->edt_Location->text(), "/srv/新");

    const std::pair<QString, QString> cancelled[] = {
        {folder.path(), folder.path()}, {"/no/such/folder", ""}, {"", ""}};
    for (const auto& [before, after] : cancelled) {
        window->edt_Location->setText(before);
        window->btn_Browser->click();
        EXPECT_EQ(window->edt_Location->text(), after);
    }
}

TEST_F(ToJPGTest, ThreeQuickEscPressesShowTheEmergencyButton) {
    newDocument(1, {1});
    const double second = 1.0 / 86400.0;
    struct Case {
        std::vector<double> presses; // seconds
        bool shown;
    };
    const Case cases[] = {
        {{0, 0.4, 0.8}, true},
        {{0, 0.49, 0.98}, true},
        {{0, 0.4}, false},
        {{0, 1.0, 1.2, 1.4}, false},      // the press after the pause clears
        {{0, 1.0, 1.2, 1.4, 1.6}, true},  // ... and the next three count
        {{0, 0.4, 1.0, 1.2, 1.4}, false}, // a late third press clears
        {{0, 0.4, 1.0, 1.2, 1.4, 1.6}, true},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(open());
        double now = 0;
        window->SetClock([&] { return 45000.0 + now * second; });
        for (double t : c.presses) {
            now = t;
            window->FormKeyPress(27);
        }
        EXPECT_EQ(!window->btn1->isHidden(), c.shown) << c.presses.size();
        window->close();
        flushDeletes();
    }
    ASSERT_TRUE(open());
    window->FormKeyPress('a');
    window->FormKeyPress('a');
    window->FormKeyPress('a');
    EXPECT_TRUE(window->btn1->isHidden());
}

TEST_F(ToJPGTest, EscClosesTheIdleWindowAndLogLinesAreDrawn) {
    newDocument(1, {1});
    ASSERT_TRUE(open());
    window->show();
    window->AddLogLine("^红色的行");
    window->AddLogLine("普通的行");
    EXPECT_EQ(window->lst1->currentRow(), 1);
    EXPECT_EQ(window->lst1->visualItemRect(window->lst1->item(0)).height(), 13);

    QImage line(200, 13, QImage::Format_ARGB32);
    auto draw = [&](int index) {
        line.fill(Qt::white);
        QPainter painter(&line);
        window->lst1DrawItem(painter, index, line.rect(), false);
    };
    auto count = [&](auto pred) {
        int n = 0;
        for (int y = 0; y < line.height(); ++y)
            for (int x = 0; x < line.width(); ++x)
                n += pred(line.pixelColor(x, y));
        return n;
    };
    auto red = [](QColor c) {
        return c.red() > 200 && c.green() < 80 && c.blue() < 80;
    };
    auto dark = [](QColor c) {
        return c.lightness() < 100;
    };
    draw(0);
    EXPECT_GT(count(red), 0);
    EXPECT_EQ(count(dark), 0);
    draw(1);
    EXPECT_EQ(count(red), 0);
    EXPECT_GT(count(dark), 0);
    window->grab().save("/tmp/export-window-log.png");

    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(window->edt_fileName, &esc);
    flushDeletes();
    EXPECT_FALSE(window);
}

TEST_F(ToJPGTest, RunLocksTheWindowUntilItEndsEvenThroughAnError) {
    newDocument(3, {1});
    ASSERT_TRUE(open());
    window->show();
    window->edt_Location->setText(folder.path());
    window->rb_Page->click();
    window->edt_PagezNum->setText("-2");
    bool busyDuringBox = false, grpDuringBox = true, closeDuringBox = true;
    QThread* boxThread = nullptr;
    dialogs.onShow([&](const platform::ShownDialog& box) {
        boxThread = box.thread;
        busyDuringBox = window->property("mosvikBusy").toBool();
        grpDuringBox = window->grp1->isEnabled();
        closeDuringBox = window->CloseCommandEnabled();
        // The user's close command does nothing while the run goes.
        window->windowHandle()->close();
        window->btn_ExportClick(); // a second run is not started
    });
    window->btn_Export->click();
    EXPECT_TRUE(window->Running());
    waitForRun();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(busyDuringBox);
    EXPECT_FALSE(grpDuringBox);
    EXPECT_FALSE(closeDuringBox);
    EXPECT_EQ(boxThread, QApplication::instance()->thread());
    ASSERT_EQ(dialogs.messages().size(), size_t(1));
    EXPECT_TRUE(dialogs.messages()[0].text.startsWith("Export_"));
    EXPECT_TRUE(window->grp1->isEnabled());
    EXPECT_TRUE(window->CloseCommandEnabled());
    EXPECT_FALSE(window->property("mosvikBusy").toBool());
    const QStringList lines = window->LogLines();
    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(lines.mid(0, 3), QStringList({"^开始处理", "导出页", "处理页：0"}));
    EXPECT_TRUE(lines.last().startsWith("^导出中断："));
}

TEST_F(ToJPGTest, CloseDuringARunWaitsForItsEnd) {
    const auto doc = newDocument(2, {1});
    ASSERT_TRUE(open());
    window->show();
    window->edt_Location->setText(folder.path());
    window->rb_Page->click();
    window->edt_PagezNum->setText("0");
    bool stillThereAfterClose = false;
    dialogs.onShow([&](const platform::ShownDialog&) {
        // The last document goes while the worker waits for its box.
        host.closeDocument(doc);
        stillThereAfterClose = window && window->isVisible();
    });
    window->btn_Export->click();
    while (window && window->Running())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_TRUE(stillThereAfterClose);
    QCoreApplication::processEvents();
    flushDeletes();
    EXPECT_FALSE(window);
    EXPECT_EQ(host.sinkCount(), 0);
}

TEST_F(ToJPGTest, AnOwnerDestroyedWhileTheRunWaitsForABoxDoesNotHang) {
    newDocument(3, {1});
    const uint32_t refsBefore = host.refCount();
    auto* owner = new QWidget;
    window = TTBaseForm::create<TfToJPG>(owner, host.com());
    ASSERT_TRUE(window);
    window->edt_Location->setText(folder.path());
    window->rb_Page->click();
    window->edt_PagezNum->setText("-2");
    bool deleted = false;
    dialogs.onShow([&](const platform::ShownDialog&) {
        if (!std::exchange(deleted, true))
            delete owner; // the worker is waiting for this very box
    });
    window->btn_Export->click();
    const QDeadlineTimer generous(60000);
    while ((!deleted || host.refCount() > refsBefore) && !generous.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_TRUE(deleted);
    EXPECT_FALSE(window);
    EXPECT_EQ(host.refCount(), refsBefore); // the run ended and let go
    EXPECT_EQ(host.sinkCount(), 0);
}

TEST_F(ToJPGTest, RunTakesTheWindowsValues) {
    const auto doc = newDocument(2, {1}, u"图.cdr");
    host.newDocument(u"别的");
    host.activateDocument(doc);
    ASSERT_TRUE(open());
    window->edt_Location->setText(folder.path());
    window->cbb_Resolution->setCurrentText("150");
    window->cbb_Scale->setCurrentText("0.5");
    window->rb_Document->click();
    window->chklst_Documents->item(1)->setCheckState(Qt::Checked);
    window->chk_PageArea->click();
    window->chk_PageHalf->click();
    window->cbb_PageHalf->setCurrentIndex(1);
    const exporting::TExportSettings s = window->TakeSettings();
    EXPECT_EQ(s.range, exporting::TExportRange::Document);
    EXPECT_EQ(s.fileName, "图");
    EXPECT_EQ(s.location, folder.path());
    EXPECT_EQ(s.resolution, "150");
    EXPECT_EQ(s.scale, "0.5");
    EXPECT_EQ(s.colorMode, 5);
    EXPECT_EQ(s.compression, 9);
    EXPECT_EQ(s.checkedDocumentNames, QStringList{"别的"});
    EXPECT_TRUE(s.pageArea);
    EXPECT_TRUE(s.pageHalf);
    EXPECT_EQ(s.pageHalfIndex, 1);
    EXPECT_TRUE(s.includePageName);
    EXPECT_TRUE(s.addNumber);

    window->btn_Export->click();
    waitForRun();
    const QStringList lines = window->LogLines();
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines.mid(0, 4),
              QStringList({"^开始处理", "导出文档", "  导出文档别的", "^开始处理文档:别的"}));
    EXPECT_EQ(window->edt_fileName->text(), "别的"); // SetName from the worker
    EXPECT_EQ(window->outFileName, "图");
}

} // namespace
} // namespace mosvik::test
