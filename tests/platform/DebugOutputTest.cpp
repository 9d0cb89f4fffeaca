#include "platform/DebugOutput.h"

#include <gtest/gtest.h>

#include <thread>

using namespace mosvik::platform;

namespace {

TEST(DebugOutputTest, CaptureCollectsLinesFromAnyThreadAndNestedCapturesRestore) {
    DebugCapture outer;
    debugOutput("dispid:1");
    {
        DebugCapture inner;
        std::thread worker([] { debugOutput("dispid:2"); });
        worker.join();
        EXPECT_EQ(inner.lines(), QStringList{"dispid:2"});
    }
    debugOutput("dispid:3");
    EXPECT_EQ(outer.lines(), (QStringList{"dispid:1", "dispid:3"}));
}

} // namespace
