// The host's user interface configuration: its command bars and the items on
// them, kept as a uiConfig document (docs/workspace-files.md), together with
// the icons that workspace archives bring along.
//
// Workspace files change it: a stylesheet (host versions up to 16) is applied
// to the document, an archive (17 and 18) is merged into it. Either works on
// a copy, so a file that fails leaves the configuration as it was.
//
// Identities (guid attributes) are compared without regard to letter case and
// reported in lower case; a bar without one gets a fresh identity.
//
// Threads: none of its own; the host lock guards it. libxml2 and libxslt
// report errors through process-wide hooks, which are taken under a lock of
// this module's own while a file is read.
#pragma once

#include <QImage>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace mosvik::host {

// One button of a command bar, resolved against the items section.
struct CommandBarItem {
    std::u16string guid;        // the item's identity
    std::u16string commandId;   // the plug-in command it runs; empty for a host item
    std::u16string hostCommand; // the host's own action ("separator", "file.new", ...)
    std::u16string caption;     // as the configuration says; may be empty
    std::u16string tooltip;
    QImage smallIcon; // 16 px, ARGB32 with a transparent background; null when none
    QImage largeIcon; // 24 px (bitmaps) or 32 px (icons); null when none
};

struct CommandBarEntry {
    std::u16string name; // the non-localisable name
    std::u16string caption;
    bool visible = true;
    bool deleted = false; // set once the bar left the configuration
    std::u16string guid;
    std::vector<CommandBarItem> items; // in order, excluded entries left out
};

// A failing read or import, with the text for the host's error.
struct WorkspaceError {
    std::u16string text;
};

class Workspace {
public:
    // The host's own configuration: the bars "Standard" and "Toolbox" and the
    // host items on them.
    Workspace();
    ~Workspace();
    Workspace(const Workspace& other);
    Workspace& operator=(const Workspace& other);
    Workspace(Workspace&& other) noexcept;
    Workspace& operator=(Workspace&& other) noexcept;

    // Replaces the configuration by a uiConfig document (icons stay).
    void load(const std::string& xml);
    // The configuration as a uiConfig document, UTF-8.
    std::string save() const;

    std::vector<CommandBarEntry> bars() const;
    std::u16string addBar(const std::u16string& name, const std::u16string& caption, bool visible);
    void setVisible(const std::u16string& guid, bool visible);
    void removeBar(const std::u16string& guid);

    // Applies the stylesheet in `bytes` (read from `fileName`, which
    // document('') resolves to) to the configuration.
    void applyStylesheet(const std::string& bytes, const std::string& fileName);
    // Merges content/workspace.xml of the archive in `bytes`, with its icons.
    void mergeArchive(const std::string& bytes);

private:
    struct Icon {
        QImage small;
        QImage large;
    };
    struct Doc;
    void adopt(std::unique_ptr<Doc> doc);

    std::unique_ptr<Doc> doc_;
    std::map<std::u16string, Icon> icons_; // by icon identity, lower case
};

} // namespace mosvik::host
