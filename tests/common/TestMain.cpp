// Test entry: every test program runs with a QApplication on the offscreen
// platform, so windows can be created, shown and grabbed without a display,
// and with a temporary folder of its own, so programs running side by side
// never share the files they leave there.
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QTemporaryDir temp(QDir::tempPath() + QStringLiteral("/mosvik1-test-XXXXXX"));
    if (temp.isValid())
        setenv("TMPDIR", QFile::encodeName(temp.path()).constData(), 1);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
