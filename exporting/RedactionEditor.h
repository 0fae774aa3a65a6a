#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <QList>
#include <QObject>
#include <QPointF>
#include <QString>

#include "ImageAreaTool.h"
#include "RedactionPlan.h"

class PlayerWnd;
class QAction;
class QActionGroup;
class QMenu;
class SaveFolder;

// The redaction mode of the window (墨消し): on the paused frame the user draws, moves,
// resizes and deletes regions and adds or removes their keys, sees each where it will be on
// every frame, with the share copy's own mosaic. The regions belong to the open recording;
// a library recording keeps them in redaction.json in its folder after every change, and they
// can be saved to and loaded from a file of the user's choice.
class RedactionEditor : public QObject, public ImageAreaTool {
    Q_OBJECT

public:
    // The library folder's file of the regions.
    static constexpr const char* entryFileName = "redaction.json";
    // How near (window pixels) a handle's centre the pointer grabs it.
    static constexpr double handleReach = 5.0;

    // `folders` is where the file dialogs start; both outlive the editor.
    RedactionEditor(PlayerWnd& player, const SaveFolder& folders, QObject* parent = nullptr);
    // Gives the image area back when still in the mode; the window must still exist then.
    ~RedactionEditor() override;
    RedactionEditor(const RedactionEditor&) = delete;
    RedactionEditor& operator=(const RedactionEditor&) = delete;

    // The drop-down's items: the mode, loading and saving.
    QList<QAction*> menuActions() const;
    // The image area's items: the mode, the label of new regions, the key, deleting.
    QList<QAction*> contextActions() const;
    QAction* modeAction() const { return mode; }

    const RedactionPlan& plan() const { return regions; }
    // Replaces every region (a file loaded); kept like any change.
    void setPlan(const RedactionPlan& plan);
    bool isActive() const { return active; }
    std::optional<std::size_t> selectedRegion() const { return selected; }
    RedactionLabel newRegionLabel() const { return newLabel; }
    // The library file the regions are kept in; empty when the recording is no library entry.
    const std::string& entryFile() const { return entryPath; }

    bool changesPicture(std::uint32_t frameIndex) const override;
    void changePicture(QImage& picture, std::uint32_t frameIndex) const override;
    void paintOver(QPainter& painter, const PictureMapping& mapping,
                   std::uint32_t frameIndex) override;
    bool mousePress(const QMouseEvent& event, const PictureMapping& mapping,
                    std::uint32_t frameIndex) override;
    void mouseMove(const QMouseEvent& event, const PictureMapping& mapping,
                   std::uint32_t frameIndex) override;
    void mouseRelease(const QMouseEvent& event, const PictureMapping& mapping,
                      std::uint32_t frameIndex) override;
    Qt::CursorShape cursorAt(const QPointF& point, const PictureMapping& mapping,
                             std::uint32_t frameIndex) const override;
    bool command(keyTable::Command command, std::uint32_t frameIndex) override;

public slots:
    // Enters or leaves the mode; entering stops playback.
    void setActive(bool on);
    // Follows the window: the regions of the recording now open (a library entry's, or none).
    void setRecording(const QString& path, bool loaded);
    void onLoad();
    void onSave();
    void setNewRegionLabel(RedactionLabel label);
    // On the chosen region at the shown frame; false when there is nothing to do.
    bool toggleKey();
    bool removeSelected();

signals:
    // After every finished change of the regions.
    void planChanged();

private:
    enum class Drag { None, Draw, Move, Resize };
    // The edges a handle moves.
    enum Edge { Left = 1, Right = 2, Top = 4, Bottom = 8 };

    // Where the region is drawn at `frameIndex`: where it is, or for the chosen region outside
    // its span, where its nearest key holds it (`ghost`).
    std::optional<RedactionRect> shownRect(std::size_t region, std::uint32_t frameIndex,
                                           bool* ghost = nullptr) const;
    std::optional<std::size_t> regionAt(const QPointF& point, const PictureMapping& mapping,
                                        std::uint32_t frameIndex) const;
    int handleAt(const QPointF& point, const QRectF& rect) const;
    RedactionRect dragged(const QPointF& now, const PictureMapping& mapping) const;
    void paintRegion(QPainter& painter, const PictureMapping& mapping, std::size_t region,
                     std::uint32_t frameIndex) const;
    void paintModeLine(QPainter& painter, const PictureMapping& mapping) const;
    // A change is done: the exports take it, the library keeps it, the menus follow.
    void changed();
    void saveToEntry();
    void updateActions();
    void repaint();

    PlayerWnd& player;
    const SaveFolder& folders;
    RedactionPlan regions;
    bool active = false;
    std::optional<std::size_t> selected;
    RedactionLabel newLabel = RedactionLabel::Plate;
    std::string recordingPath;
    bool loaded = false;
    std::string entryPath;
    // False while the library's file could not be read: it is the user's to mend, not ours to
    // replace.
    bool entryWritable = false;

    Drag drag = Drag::None;
    int dragEdges = 0;
    QPointF pressPoint;  // in picture pixels
    RedactionRect startRect;
    RedactionRect drawnRect;
    bool dragChanged = false;

    QAction* mode = nullptr;
    QAction* load = nullptr;
    QAction* save = nullptr;
    QMenu* labelMenu = nullptr;
    QActionGroup* labels = nullptr;
    QAction* keyAction = nullptr;
    QAction* removeAction = nullptr;
};
