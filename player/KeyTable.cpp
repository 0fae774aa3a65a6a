#include "KeyTable.h"

#include <algorithm>
#include <stdexcept>

namespace keyTable {

namespace {

Binding key(Command command, const QKeySequence& keys, const char* keyText, const char* action) {
    return {command, Binder::View, keys, QString::fromUtf8(keyText),
            QString::fromUtf8(action)};
}

Binding shortcut(Command command, const QKeySequence& keys, const char* action) {
    QString text = keys.toString(QKeySequence::PortableText);
    return {command, Binder::Shortcut, keys, std::move(text), QString::fromUtf8(action)};
}

Binding mouse(Command command, const char* gesture, const char* action) {
    return {command, Binder::Mouse, QKeySequence(), QString::fromUtf8(gesture),
            QString::fromUtf8(action)};
}

std::vector<Binding> makeTable() {
    return {
        key(Command::PlayStop, QKeySequence(Qt::Key_Space), "Space", "再生 / 停止"),
        key(Command::First, QKeySequence(Qt::Key_Home), "Home", "先頭のコマへ"),
        key(Command::Prev, QKeySequence(Qt::Key_Left), "←", "前のコマへ"),
        key(Command::Next, QKeySequence(Qt::Key_Right), "→", "次のコマへ"),
        key(Command::Last, QKeySequence(Qt::Key_End), "End", "最後のコマへ"),
        key(Command::GoToEvent, QKeySequence(Qt::Key_E), "E", "イベント位置（0.000 秒）へ"),
        key(Command::Slower, QKeySequence(Qt::Key_BracketLeft), "[", "再生速度を遅く"),
        key(Command::Faster, QKeySequence(Qt::Key_BracketRight), "]", "再生速度を速く"),
        mouse(Command::Zoom, "ホイール", "ポインタの位置を中心に拡大 / 縮小（8 倍まで）"),
        mouse(Command::Pan, "ドラッグ", "拡大した画像を動かす"),
        mouse(Command::PanByMiddleButton, "中ボタンのドラッグ", "拡大した画像を動かす（墨消し中も）"),
        key(Command::ZoomFit, QKeySequence(Qt::Key_0), "0", "全体表示"),
        key(Command::FullScreen, QKeySequence(Qt::Key_F11), "F11", "全画面表示の切り替え"),
        mouse(Command::FullScreenByMouse, "ダブルクリック", "全画面表示の切り替え"),
        key(Command::Leave, QKeySequence(Qt::Key_Escape), "Esc", "墨消しを終わる / 全画面表示を終わる"),
        mouse(Command::EditRegion, "ドラッグ（墨消し中）",
              "墨消しの領域を描く / 選んで動かす / 角や辺で大きさを変える"),
        key(Command::RemoveRegion, QKeySequence(Qt::Key_Delete), "Delete",
            "選んだ墨消しの領域を削除（墨消し中）"),
        key(Command::ToggleRegionKey, QKeySequence(Qt::Key_K), "K",
            "選んだ領域のキーをこのコマに追加 / 削除（墨消し中）"),
        shortcut(Command::SaveStill, QKeySequence(Qt::CTRL | Qt::Key_S), "静止画の保存"),
        shortcut(Command::ExportClip, QKeySequence(Qt::CTRL | Qt::Key_E), "動画の書き出し"),
        shortcut(Command::OpenLibrary, QKeySequence(Qt::CTRL | Qt::Key_L), "ライブラリを開く"),
        shortcut(Command::KeyOverview, QKeySequence(Qt::Key_F1), "キー操作の一覧"),
    };
}

}  // namespace

const std::vector<Binding>& bindings() {
    static const std::vector<Binding> table = makeTable();
    return table;
}

std::optional<Command> viewCommandFor(int key) {
    for (const Binding& binding : bindings()) {
        if (binding.binder == Binder::View && static_cast<int>(binding.keys[0].key()) == key) {
            return binding.command;
        }
    }
    return std::nullopt;
}

const Binding& bindingOf(Command command) {
    const auto& table = bindings();
    const auto found = std::find_if(table.begin(), table.end(),
                                    [command](const Binding& b) { return b.command == command; });
    if (found == table.end()) {
        throw std::logic_error("a command without a binding");
    }
    return *found;
}

}  // namespace keyTable
