#pragma once

#include <optional>
#include <vector>

#include <QKeySequence>
#include <QString>

// Every key and mouse action of the viewer, with the words the key overview and the tooltips
// show for it. The window binds its keys from this table, the frame its shortcuts, so a key
// cannot be bound without being listed.
namespace keyTable {

enum class Command {
    PlayStop,
    Prev,
    Next,
    First,
    Last,
    GoToEvent,
    Faster,
    Slower,
    ZoomFit,
    FullScreen,
    Leave,
    Zoom,
    Pan,
    PanByMiddleButton,
    FullScreenByMouse,
    // The redaction mode's own: the mouse edits regions, the keys act on the chosen one.
    EditRegion,
    RemoveRegion,
    ToggleRegionKey,
    SaveStill,
    ExportClip,
    OpenLibrary,
    KeyOverview,
};

// Who reacts: the main window's key handler (only while no focused control uses the key),
// a shortcut of a frame command, or the mouse handlers of the image area.
enum class Binder { View, Shortcut, Mouse };

struct Binding {
    Command command;
    Binder binder;
    // Empty for a mouse action.
    QKeySequence keys;
    // As listed: "Space", "←", "ホイール".
    QString keyText;
    QString action;
};

// In the order the overview lists them.
const std::vector<Binding>& bindings();

// The main window's command for a key pressed with any modifiers, if the table binds it.
std::optional<Command> viewCommandFor(int key);

// The binding of a command; every command has exactly one.
const Binding& bindingOf(Command command);

}  // namespace keyTable
