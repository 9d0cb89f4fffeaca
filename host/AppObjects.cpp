// The application object and the objects that hang off it directly: main
// window, rectangle values, command bars.
#include "ComObject.h"
#include "Objects.h"

#include <QFile>

#include <algorithm>

namespace mosvik::host {

using namespace com;

namespace {

std::u16string textOf(const char16_t* p) {
    return p ? std::u16string(p) : std::u16string();
}

class ApplicationObject final : public ComObject<IVGApplication> {
public:
    using ComObject::ComObject;

    HRESULT get_Documents(IVGDocuments** out) override {
        return call("IVGApplication.get_Documents",
                    [&] { *need(out) = newDocumentsObject(state_); });
    }
    HRESULT get_ActiveDocument(IVGDocument** out) override {
        return call("IVGApplication.get_ActiveDocument", [&] {
            *need(out) = state_->active ? documentObject(state_, state_->active) : nullptr;
        });
    }
    HRESULT get_ActivePage(IVGPage** out) override {
        return call("IVGApplication.get_ActivePage", [&] {
            const auto& doc = state_->active;
            *need(out) = doc ? newPageObject(state_, doc, doc->drawing.activePage) : nullptr;
        });
    }
    HRESULT get_ActiveLayer(IVGLayer** out) override {
        return call("IVGApplication.get_ActiveLayer", [&] {
            const auto& doc = state_->active;
            IVGLayer* layer = nullptr;
            if (doc) {
                const model::Page& page = livePage(doc, doc->drawing.activePage);
                layer = newLayerObject(state_, doc, page.id, page.activeLayer);
            }
            *need(out) = layer;
        });
    }
    HRESULT get_ActiveSelection(IVGShape** out) override {
        return call("IVGApplication.get_ActiveSelection", [&] {
            *need(out) = state_->active ? newShapeObject(state_, state_->active, 0) : nullptr;
        });
    }
    HRESULT get_VersionMajor(int32_t* out) override {
        return call("IVGApplication.get_VersionMajor", [&] { *need(out) = state_->version; });
    }
    HRESULT get_AppWindow(IVGAppWindow** out) override {
        return call("IVGApplication.get_AppWindow",
                    [&] { *need(out) = newAppWindowObject(state_); });
    }
    HRESULT get_Optimization(VARIANT_BOOL* out) override {
        return call("IVGApplication.get_Optimization",
                    [&] { *need(out) = state_->optimization ? VARIANT_TRUE : VARIANT_FALSE; });
    }
    HRESULT put_Optimization(VARIANT_BOOL value) override {
        return call("IVGApplication.put_Optimization",
                    [&] { state_->optimization = value != VARIANT_FALSE; });
    }
    HRESULT Refresh() override {
        return call("IVGApplication.Refresh", [&] { ++state_->refreshes; });
    }
    HRESULT AdviseEvents(IDispatch* sink, int32_t* cookie) override {
        return call("IVGApplication.AdviseEvents", [&] {
            need(cookie);
            if (!sink)
                fail(E_POINTER, u"no event sink given");
            sink->AddRef();
            const int32_t c = state_->nextCookie++;
            state_->sinks.push_back(HostState::Sink{c, sink});
            *cookie = c;
        });
    }
    HRESULT UnadviseEvents(int32_t cookie) override {
        return call("IVGApplication.UnadviseEvents", [&] {
            auto& sinks = state_->sinks;
            auto it = std::find_if(sinks.begin(), sinks.end(),
                                   [&](const HostState::Sink& s) { return s.cookie == cookie; });
            if (it == sinks.end())
                fail(E_INVALIDARG, u"no event sink is registered with this cookie");
            IDispatch* sink = it->sink;
            sinks.erase(it);
            // The sink's last reference may end it, and its end may call us.
            state_->afterCall([sink] { sink->Release(); });
        });
    }
    HRESULT CreateRect(double x, double y, double width, double height, IVGRect** out) override {
        return call("IVGApplication.CreateRect",
                    [&] { *need(out) = newRectObject(state_, x, y, width, height); });
    }
    HRESULT AddPluginCommand(const char16_t* commandId, const char16_t* caption,
                             const char16_t* tooltip, VARIANT_BOOL* out) override {
        return call("IVGApplication.AddPluginCommand", [&] {
            need(out);
            const std::u16string id = textOf(commandId);
            if (id.empty())
                fail(E_INVALIDARG, u"empty command id");
            auto& commands = state_->commands;
            const bool known = std::any_of(commands.begin(), commands.end(),
                                           [&](const PluginCommand& c) { return c.id == id; });
            if (!known) {
                commands.push_back(PluginCommand{id, textOf(caption), textOf(tooltip)});
                state_->touch();
            }
            *out = known ? VARIANT_FALSE : VARIANT_TRUE;
        });
    }
    HRESULT RemovePluginCommand(const char16_t* commandId, VARIANT_BOOL* out) override {
        return call("IVGApplication.RemovePluginCommand", [&] {
            need(out);
            const std::u16string id = textOf(commandId);
            auto& commands = state_->commands;
            auto it = std::find_if(commands.begin(), commands.end(),
                                   [&](const PluginCommand& c) { return c.id == id; });
            const bool known = it != commands.end();
            if (known) {
                commands.erase(it);
                state_->touch();
            }
            *out = known ? VARIANT_TRUE : VARIANT_FALSE;
        });
    }
    HRESULT get_CommandBars(ICUICommandBars** out) override {
        return call("IVGApplication.get_CommandBars",
                    [&] { *need(out) = newCommandBarsObject(state_); });
    }
    // Up to version 16 a workspace file is a stylesheet applied to the
    // configuration; from 17 an archive merged into it.
    HRESULT ImportWorkspace(const char16_t* fileName) override {
        return call("IVGApplication.ImportWorkspace", [&] {
            const std::u16string name = textOf(fileName);
            if (name.empty())
                fail(E_INVALIDARG, u"no workspace file given");
            QFile file(QString::fromStdU16String(name));
            if (!file.open(QIODevice::ReadOnly))
                fail(E_FAIL, u"cannot read the workspace file \"" + name + u"\"");
            const QByteArray bytes = file.readAll();
            Workspace next = state_->workspace;
            try {
                if (state_->version <= 16)
                    next.applyStylesheet(bytes.toStdString(),
                                         QFile::encodeName(file.fileName()).toStdString());
                else
                    next.mergeArchive(bytes.toStdString());
            } catch (const WorkspaceError& e) {
                fail(E_FAIL, e.text);
            }
            state_->workspace = std::move(next);
            state_->syncCommandBars();
        });
    }
    HRESULT CreateStructExportOptions(IVGStructExportOptions** out) override {
        return call("IVGApplication.CreateStructExportOptions",
                    [&] { *need(out) = newExportOptionsObject(state_); });
    }
    HRESULT get_ActiveSelectionRange(IVGShapeRange** out) override {
        return call("IVGApplication.get_ActiveSelectionRange", [&] {
            const auto& doc = state_->active;
            *need(out) = doc ? newShapeRangeObject(state_, doc, openDocument(doc).drawing.selection)
                             : nullptr;
        });
    }
};

class AppWindowObject final : public ComObject<IVGAppWindow> {
public:
    using ComObject::ComObject;

    HRESULT get_Handle(int32_t* out) override {
        return call("IVGAppWindow.get_Handle", [&] { *need(out) = state_->windowHandle; });
    }
};

class RectObject final : public ComObject<IVGRect> {
public:
    RectObject(StatePtr state, model::Box box) : ComObject(std::move(state)), box_(box) {}

    HRESULT get_x(double* out) override {
        return call("IVGRect.get_x", [&] { *need(out) = box_.x; });
    }
    HRESULT put_x(double value) override {
        return call("IVGRect.put_x", [&] { box_.x = value; });
    }
    HRESULT get_y(double* out) override {
        return call("IVGRect.get_y", [&] { *need(out) = box_.y; });
    }
    HRESULT put_y(double value) override {
        return call("IVGRect.put_y", [&] { box_.y = value; });
    }
    HRESULT get_Width(double* out) override {
        return call("IVGRect.get_Width", [&] { *need(out) = box_.width; });
    }
    HRESULT put_Width(double value) override {
        return call("IVGRect.put_Width", [&] { box_.width = value; });
    }
    HRESULT get_Height(double* out) override {
        return call("IVGRect.get_Height", [&] { *need(out) = box_.height; });
    }
    HRESULT put_Height(double value) override {
        return call("IVGRect.put_Height", [&] { box_.height = value; });
    }

private:
    model::Box box_;
};

class CommandBarsObject final : public ComObject<ICUICommandBars> {
public:
    using ComObject::ComObject;

    HRESULT get_Count(int32_t* out) override {
        return call("ICUICommandBars.get_Count",
                    [&] { *need(out) = static_cast<int32_t>(state_->bars.size()); });
    }
    HRESULT get_Item(int32_t index, ICUICommandBar** out) override {
        return call("ICUICommandBars.get_Item", [&] {
            need(out);
            const auto& bars = state_->bars;
            if (index < 1 || index > static_cast<int32_t>(bars.size()))
                fail(DISP_E_BADINDEX, u"command bar index out of range");
            *out = newCommandBarObject(state_, bars[index - 1]);
        });
    }
    HRESULT get_ItemByName(const char16_t* name, ICUICommandBar** out) override {
        return call("ICUICommandBars.get_ItemByName", [&] {
            need(out);
            const std::u16string wanted = textOf(name);
            for (const auto& bar : state_->bars)
                if (bar->name == wanted) {
                    *out = newCommandBarObject(state_, bar);
                    return;
                }
            fail(DISP_E_BADINDEX, u"no command bar is named \"" + wanted + u"\"");
        });
    }
};

class CommandBarObject final : public ComObject<ICUICommandBar> {
public:
    CommandBarObject(StatePtr state, std::shared_ptr<CommandBarEntry> bar)
        : ComObject(std::move(state)), bar_(std::move(bar)) {}

    HRESULT get_Name(BSTR* out) override {
        return call("ICUICommandBar.get_Name", [&] { *need(out) = allocBstr(live().name); });
    }
    HRESULT get_Caption(BSTR* out) override {
        return call("ICUICommandBar.get_Caption", [&] { *need(out) = allocBstr(live().caption); });
    }
    HRESULT get_Visible(VARIANT_BOOL* out) override {
        return call("ICUICommandBar.get_Visible",
                    [&] { *need(out) = live().visible ? VARIANT_TRUE : VARIANT_FALSE; });
    }
    HRESULT put_Visible(VARIANT_BOOL value) override {
        return call("ICUICommandBar.put_Visible", [&] {
            const bool visible = value != VARIANT_FALSE;
            state_->workspace.setVisible(live().guid, visible);
            bar_->visible = visible;
        });
    }
    HRESULT Delete() override {
        return call("ICUICommandBar.Delete", [&] {
            state_->workspace.removeBar(live().guid);
            state_->syncCommandBars();
        });
    }

private:
    CommandBarEntry& live() {
        if (bar_->deleted)
            failGone();
        return *bar_;
    }
    std::shared_ptr<CommandBarEntry> bar_;
};

} // namespace

IVGApplication* newApplicationObject(const StatePtr& state) {
    return new ApplicationObject(state);
}
IVGAppWindow* newAppWindowObject(const StatePtr& state) {
    return new AppWindowObject(state);
}
IVGRect* newRectObject(const StatePtr& state, double x, double y, double width, double height) {
    return new RectObject(state, model::Box{x, y, width, height});
}
ICUICommandBars* newCommandBarsObject(const StatePtr& state) {
    return new CommandBarsObject(state);
}
ICUICommandBar* newCommandBarObject(const StatePtr& state, std::shared_ptr<CommandBarEntry> bar) {
    return new CommandBarObject(state, std::move(bar));
}

} // namespace mosvik::host
