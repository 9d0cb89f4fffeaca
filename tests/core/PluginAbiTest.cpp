// Loads the built mosvik1.cpg with dlopen and drives the plug-in object only
// through the layouts that docs/host-boundary.md documents: a C view of the
// vtable, GUIDs, Variants and DispParams written out here by hand, so a
// change of the binary form breaks this test.
#include "host/Application.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>

#include <cstdint>
#include <cstring>
#include <dlfcn.h>

namespace {

struct Guid {
    uint32_t d1;
    uint16_t d2, d3;
    uint8_t d4[8];
};
static_assert(sizeof(Guid) == 16);

struct Var {
    uint16_t vt, r1, r2, r3;
    union {
        int32_t i4;
        int16_t b;
        int16_t* pb;
        const char16_t* text;
        void* ptr;
        uint8_t area[16];
    };
};
static_assert(sizeof(Var) == 24);

struct Params {
    Var* args;
    int32_t* named;
    uint32_t count;
    uint32_t namedCount;
};

struct Plugin;
struct PluginVtbl {
    int32_t (*QueryInterface)(Plugin*, const Guid*, void**);
    uint32_t (*AddRef)(Plugin*);
    uint32_t (*Release)(Plugin*);
    int32_t (*GetTypeInfoCount)(Plugin*, uint32_t*);
    int32_t (*GetTypeInfo)(Plugin*, uint32_t, uint32_t, void**);
    int32_t (*GetIDsOfNames)(Plugin*, const Guid*, char16_t**, uint32_t, uint32_t, int32_t*);
    int32_t (*Invoke)(Plugin*, int32_t, const Guid*, uint32_t, uint16_t, Params*, Var*, void*,
                      uint32_t*);
    int32_t (*Load)(Plugin*, void*);
    int32_t (*StartSession)(Plugin*);
    int32_t (*StopSession)(Plugin*);
    int32_t (*Unload)(Plugin*);
};
struct Plugin {
    const PluginVtbl* vtbl;
};

constexpr Guid kIUnknown = {0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr Guid kIDispatch = {0x00020400, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr Guid kIVGAppPlugin = {
    0xB0580005, 0x9AA4, 0x44FD, {0x95, 0x47, 0x4F, 0x91, 0xEB, 0x75, 0x7A, 0xC4}};
constexpr Guid kOther = {0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
constexpr Guid kNull = {};

class PluginAbi : public ::testing::Test {
protected:
    void SetUp() override {
        const auto path = QDir(QCoreApplication::applicationDirPath()).filePath("mosvik1.cpg");
        lib = dlopen(path.toUtf8().constData(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(lib, nullptr) << dlerror();
        attach = reinterpret_cast<int32_t (*)(Plugin**)>(dlsym(lib, "AttachPlugin"));
        ASSERT_NE(attach, nullptr);
        ASSERT_EQ(attach(&plugin), 256);
        ASSERT_NE(plugin, nullptr);
    }
    void TearDown() override {
        if (lib)
            dlclose(lib);
    }

    int32_t invoke(int32_t dispId, std::vector<Var> argsLastFirst) {
        Params p{argsLastFirst.data(), nullptr, static_cast<uint32_t>(argsLastFirst.size()), 0};
        return plugin->vtbl->Invoke(plugin, dispId, &kNull, 0, 1, &p, nullptr, nullptr, nullptr);
    }

    void* lib = nullptr;
    int32_t (*attach)(Plugin**) = nullptr;
    Plugin* plugin = nullptr;
};

Var textVar(const char16_t* s) {
    Var v{};
    v.vt = 8;
    v.text = s;
    return v;
}

Var boolRef(int16_t* place) {
    Var v{};
    v.vt = 11 | 0x4000;
    v.pb = place;
    return v;
}

Var intVar(int32_t i) {
    Var v{};
    v.vt = 3;
    v.i4 = i;
    return v;
}

TEST_F(PluginAbi, AnswersItsThreeIdentitiesWithOnePointer) {
    for (const Guid* iid : {&kIUnknown, &kIDispatch, &kIVGAppPlugin}) {
        void* out = nullptr;
        EXPECT_EQ(plugin->vtbl->QueryInterface(plugin, iid, &out), 0);
        EXPECT_EQ(out, plugin);
    }
    void* untouched = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(static_cast<uint32_t>(plugin->vtbl->QueryInterface(plugin, &kOther, &untouched)),
              0x80004002u);
    EXPECT_EQ(untouched, reinterpret_cast<void*>(0x1234));
}

TEST_F(PluginAbi, CountsReferencesWithoutDying) {
    EXPECT_EQ(plugin->vtbl->AddRef(plugin), 2u);
    EXPECT_EQ(plugin->vtbl->Release(plugin), 1u);
    EXPECT_EQ(plugin->vtbl->Release(plugin), 0u);
    // Still alive and answering after the count reached zero.
    EXPECT_EQ(plugin->vtbl->AddRef(plugin), 1u);
    uint32_t count = 7;
    EXPECT_EQ(static_cast<uint32_t>(plugin->vtbl->GetTypeInfoCount(plugin, &count)), 0x80004001u);
    EXPECT_EQ(count, 7u);
    EXPECT_EQ(static_cast<uint32_t>(plugin->vtbl->GetTypeInfo(plugin, 0, 0, nullptr)), 0x80004001u);
    EXPECT_EQ(
        static_cast<uint32_t>(plugin->vtbl->GetIDsOfNames(plugin, &kNull, nullptr, 0, 0, nullptr)),
        0x80004001u);
}

TEST_F(PluginAbi, UnloadBeforeLoadDoesNothing) {
    EXPECT_EQ(plugin->vtbl->Unload(plugin), 0);
    EXPECT_EQ(plugin->vtbl->Unload(plugin), 0);
}

TEST_F(PluginAbi, FullSessionThroughTheVtable) {
    mosvik::host::Application host;
    host.newDocument(u"a");
    const auto baseline = host.refCount();

    ASSERT_EQ(plugin->vtbl->Load(plugin, host.com()), 0);
    EXPECT_EQ(host.refCount(), baseline + 2);
    ASSERT_EQ(plugin->vtbl->StartSession(plugin), 0);
    EXPECT_EQ(host.sinkCount(), 1);

    // The start event registers the commands with their captions.
    host.raiseStart();
    const auto commands = host.pluginCommands();
    ASSERT_EQ(commands.size(), 11u);
    EXPECT_EQ(commands[1].id, u"mosvik1_导出图片");
    EXPECT_EQ(commands[1].caption, u"导出图片");
    EXPECT_EQ(commands[1].tooltip, u"强大的导出图片工具");

    // Command-state query, written through the documented argument layout.
    int16_t enabled = 0;
    EXPECT_EQ(invoke(21, {intVar(5), boolRef(&enabled), textVar(u"mosvik1_转换")}), 0);
    EXPECT_EQ(enabled, -1);

    EXPECT_EQ(plugin->vtbl->StopSession(plugin), 0);
    EXPECT_EQ(host.sinkCount(), 0);
    EXPECT_TRUE(host.pluginCommands().empty());
    EXPECT_EQ(host.refCount(), baseline);
    // Ended: later calls are harmless.
    EXPECT_EQ(plugin->vtbl->Unload(plugin), 0);
    EXPECT_EQ(invoke(18, {}), 0);
    EXPECT_EQ(host.refCount(), baseline);
}

} // namespace
