// A host session with the real plug-in loaded from the build folder, a batch
// runner on it, and a temporary folder for what the scripts write.
#pragma once

#include "app/BatchRunner.h"
#include "app/HostSession.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace mosvik::app {

class BatchFixture : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    // The plug-in's windows outlive a script; close them before the next.
    void TearDown() override {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName().startsWith('f'))
                w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    int run(const QString& script) { return runner.run(script, errors); }
    QString path(const QString& name) const { return dir.filePath(name); }
    QJsonObject readJson(const QString& name) {
        QFile f(path(name));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
        return QJsonDocument::fromJson(f.readAll()).object();
    }

    QTemporaryDir dir;
    HostSession session{defaultPluginPath()};
    QString outText, errText;
    QTextStream out{&outText}, errors{&errText};
    BatchRunner runner{session, out};
};

} // namespace mosvik::app
