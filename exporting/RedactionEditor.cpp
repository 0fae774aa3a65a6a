#include "RedactionEditor.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include <QAction>
#include <QActionGroup>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include "EvidencePackage.h"
#include "ExportTexts.h"
#include "Library.h"
#include "PathText.h"
#include "PictureMapping.h"
#include "PlayerWnd.h"
#include "Prompts.h"
#include "RedactionFile.h"
#include "RedactionMosaic.h"
#include "SaveFolder.h"

namespace {

constexpr double handleSide = 7.0;

QColor labelColour(RedactionLabel label) {
    switch (label) {
        case RedactionLabel::Plate:
            return {255, 214, 0};
        case RedactionLabel::Face:
            return {0, 200, 255};
        case RedactionLabel::Other:
            break;
    }
    return {255, 128, 32};
}

QString withKey(const QString& text, keyTable::Command command) {
    return text + QLatin1Char('\t') + keyTable::bindingOf(command).keyText;
}

bool exists(const std::string& path) {
    return QFileInfo::exists(pathText::toQt(path));
}

QString displayName(const std::string& path) {
    return QFileInfo(pathText::toQt(path)).fileName();
}

QRectF pictureRect(const RedactionRect& rect) {
    return {static_cast<double>(rect.x), static_cast<double>(rect.y),
            static_cast<double>(rect.w), static_cast<double>(rect.h)};
}

// The handles of a rectangle in window pixels: corners and the middles of the sides.
struct Handle {
    int edges;
    QPointF centre;
};

std::vector<Handle> handlesOf(const QRectF& r) {
    const double cx = r.center().x();
    const double cy = r.center().y();
    using E = int;
    constexpr E left = 1;
    constexpr E right = 2;
    constexpr E top = 4;
    constexpr E bottom = 8;
    return {{left | top, r.topLeft()},         {top, {cx, r.top()}},
            {right | top, r.topRight()},       {right, {r.right(), cy}},
            {right | bottom, r.bottomRight()}, {bottom, {cx, r.bottom()}},
            {left | bottom, r.bottomLeft()},   {left, {r.left(), cy}}};
}

}  // namespace

RedactionEditor::RedactionEditor(PlayerWnd& player, const SaveFolder& folders, QObject* parent)
    : QObject(parent), player(player), folders(folders) {
    mode = new QAction(exportTexts::redactMode, this);
    mode->setCheckable(true);
    connect(mode, &QAction::triggered, this, &RedactionEditor::setActive);
    load = new QAction(exportTexts::loadRedaction, this);
    connect(load, &QAction::triggered, this, &RedactionEditor::onLoad);
    save = new QAction(exportTexts::saveRedaction, this);
    connect(save, &QAction::triggered, this, &RedactionEditor::onSave);

    labelMenu = new QMenu(exportTexts::regionLabelMenu, &player);
    labels = new QActionGroup(this);
    for (const RedactionLabel label :
         {RedactionLabel::Plate, RedactionLabel::Face, RedactionLabel::Other}) {
        QAction* item = labelMenu->addAction(QString::fromUtf8(redactionLabelText(label)));
        item->setCheckable(true);
        item->setChecked(label == newLabel);
        labels->addAction(item);
        connect(item, &QAction::triggered, this, [this, label] { setNewRegionLabel(label); });
    }
    keyAction = new QAction(withKey(exportTexts::addRegionKey, keyTable::Command::ToggleRegionKey), this);
    connect(keyAction, &QAction::triggered, this, &RedactionEditor::toggleKey);
    removeAction =
        new QAction(withKey(exportTexts::removeRegion, keyTable::Command::RemoveRegion), this);
    connect(removeAction, &QAction::triggered, this, &RedactionEditor::removeSelected);
    connect(&player, &PlayerWnd::frameShown, this, &RedactionEditor::updateActions);
    updateActions();
}

RedactionEditor::~RedactionEditor() {
    if (active) {
        player.setImageAreaTool(nullptr);
    }
}

QList<QAction*> RedactionEditor::menuActions() const {
    return {mode, load, save};
}

QList<QAction*> RedactionEditor::contextActions() const {
    return {mode, labelMenu->menuAction(), keyAction, removeAction};
}

void RedactionEditor::setActive(bool on) {
    on = on && loaded;
    mode->setChecked(on);
    if (on == active) {
        return;
    }
    active = on;
    drag = Drag::None;
    player.setImageAreaTool(on ? this : nullptr);
    updateActions();
}

void RedactionEditor::setRecording(const QString& path, bool isLoaded) {
    setActive(false);
    recordingPath = pathText::fromQt(path);
    loaded = isLoaded;
    regions = {};
    selected.reset();
    entryPath.clear();
    entryWritable = false;
    if (loaded) {
        if (const std::optional<LibraryEntry> entry = Library::entryOf(recordingPath)) {
            entryPath = entry->folder + "/" + entryFileName;
            entryWritable = true;
            if (exists(entryPath)) {
                std::string error;
                std::optional<RedactionPlan> kept = readRedactionFile(
                    entryPath, player.loadedRecording().frameCount(), error);
                if (kept) {
                    regions = std::move(*kept);
                } else {
                    entryWritable = false;
                    Prompts::current().message(
                        exportTexts::redactionUnreadable.arg(QString::fromStdString(error))
                            .toStdString(),
                        Prompts::Buttons::Ok, Prompts::Icon::Warning);
                }
            }
        }
    }
    emit planChanged();
    updateActions();
}

void RedactionEditor::setPlan(const RedactionPlan& plan) {
    regions = plan;
    selected.reset();
    drag = Drag::None;
    changed();
}

void RedactionEditor::onLoad() {
    if (!loaded) {
        return;
    }
    Prompts::OpenFileRequest request;
    request.initialFolder = folders.start();
    request.defaultName =
        packageFileNames(player.loadedRecording(), recordingPath).redaction;
    request.defaultSuffix = "json";
    request.filter = exportTexts::redactionFilter;
    const std::optional<std::string> path = Prompts::current().chooseOpenFile(request);
    if (!path) {
        return;
    }
    std::string error;
    const std::optional<RedactionPlan> read =
        readRedactionFile(*path, player.loadedRecording().frameCount(), error);
    if (!read) {
        Prompts::current().message(
            exportTexts::redactionUnreadable.arg(QString::fromStdString(error)).toStdString(),
            Prompts::Buttons::Ok, Prompts::Icon::Warning);
        return;
    }
    // A library file that could not be read is replaced only by one the user chose.
    entryWritable = !entryPath.empty();
    setPlan(*read);
}

void RedactionEditor::onSave() {
    if (!loaded) {
        return;
    }
    Prompts::SaveFileRequest request;
    request.title = exportTexts::redactionSaveTitle;
    request.initialPath =
        folders.start() + packageFileNames(player.loadedRecording(), recordingPath).redaction;
    request.defaultSuffix = "json";
    request.filter = exportTexts::redactionFilter;
    const std::optional<std::string> target = Prompts::current().chooseSaveFile(request);
    if (!target) {
        return;
    }
    const bool replace = exists(*target);
    if (replace &&
        Prompts::current().message(
            exportTexts::replaceFile.arg(displayName(*target)).toStdString(),
            Prompts::Buttons::OkCancel, Prompts::Icon::Warning) != Prompts::Answer::Ok) {
        return;
    }
    const ExportResult result = writeRedactionFile(regions, *target, replace);
    if (result.status != ExportResult::Status::Written) {
        Prompts::current().message(
            exportTexts::failed.arg(displayName(*target), QString::fromStdString(result.message))
                .toStdString(),
            Prompts::Buttons::Ok, Prompts::Icon::Warning);
    }
}

void RedactionEditor::setNewRegionLabel(RedactionLabel label) {
    newLabel = label;
    labels->actions().at(static_cast<int>(label))->setChecked(true);
    if (selected && regions.regions()[*selected].label() != label) {
        regions.regions()[*selected].setLabel(label);
        changed();
    } else {
        repaint();
    }
}

bool RedactionEditor::toggleKey() {
    if (!active || !selected) {
        return false;
    }
    const std::uint32_t frame = player.shownFrameIndex();
    RedactionRegion& region = regions.regions()[*selected];
    if (region.hasKeyAt(frame)) {
        // The last key is the region itself: Delete removes that.
        if (region.keys().size() < 2) {
            return false;
        }
        region.removeKey(frame);
    } else {
        region.setKey({frame, *shownRect(*selected, frame)});
    }
    changed();
    return true;
}

bool RedactionEditor::removeSelected() {
    if (!active || !selected) {
        return false;
    }
    regions.regions().erase(regions.regions().begin() + static_cast<std::ptrdiff_t>(*selected));
    selected.reset();
    changed();
    return true;
}

void RedactionEditor::changed() {
    emit planChanged();
    saveToEntry();
    updateActions();
    repaint();
}

void RedactionEditor::saveToEntry() {
    if (entryPath.empty() || !entryWritable || (regions.empty() && !exists(entryPath))) {
        return;
    }
    const ExportResult result = writeRedactionFile(regions, entryPath, true);
    if (result.status != ExportResult::Status::Written) {
        Prompts::current().message(
            exportTexts::redactionUnsaved.arg(QString::fromStdString(result.message)).toStdString(),
            Prompts::Buttons::Ok, Prompts::Icon::Warning);
    }
}

void RedactionEditor::updateActions() {
    mode->setEnabled(loaded);
    load->setEnabled(loaded);
    save->setEnabled(loaded && !regions.empty());
    labelMenu->menuAction()->setEnabled(active);
    const bool chosen = active && selected.has_value();
    const bool keyHere =
        chosen && regions.regions()[*selected].hasKeyAt(player.shownFrameIndex());
    keyAction->setText(withKey(keyHere ? exportTexts::removeRegionKey : exportTexts::addRegionKey,
                               keyTable::Command::ToggleRegionKey));
    keyAction->setEnabled(chosen && (!keyHere || regions.regions()[*selected].keys().size() > 1));
    removeAction->setEnabled(chosen);
}

void RedactionEditor::repaint() {
    if (active) {
        player.update(player.imageArea());
    }
}

std::optional<RedactionRect> RedactionEditor::shownRect(std::size_t region,
                                                        std::uint32_t frameIndex,
                                                        bool* ghost) const {
    const RedactionRegion& r = regions.regions()[region];
    if (ghost != nullptr) {
        *ghost = false;
    }
    if (const std::optional<RedactionRect> at = r.rectAt(frameIndex)) {
        return at;
    }
    if (region != selected || r.empty()) {
        return std::nullopt;
    }
    if (ghost != nullptr) {
        *ghost = true;
    }
    return frameIndex < r.firstIndex() ? r.keys().front().rect : r.keys().back().rect;
}

std::optional<std::size_t> RedactionEditor::regionAt(const QPointF& point,
                                                     const PictureMapping& mapping,
                                                     std::uint32_t frameIndex) const {
    // The chosen one first, then the one drawn on top.
    if (selected) {
        if (const auto rect = shownRect(*selected, frameIndex);
            rect && mapping.toWindow(pictureRect(*rect)).contains(point)) {
            return selected;
        }
    }
    for (std::size_t r = regions.regions().size(); r-- > 0;) {
        if (const auto rect = regions.regions()[r].rectAt(frameIndex);
            rect && mapping.toWindow(pictureRect(*rect)).contains(point)) {
            return r;
        }
    }
    return std::nullopt;
}

int RedactionEditor::handleAt(const QPointF& point, const QRectF& rect) const {
    for (const Handle& handle : handlesOf(rect)) {
        if (std::abs(point.x() - handle.centre.x()) <= handleReach &&
            std::abs(point.y() - handle.centre.y()) <= handleReach) {
            return handle.edges;
        }
    }
    return 0;
}

bool RedactionEditor::changesPicture(std::uint32_t frameIndex) const {
    return active && !regions.regionsAt(frameIndex).empty();
}

void RedactionEditor::changePicture(QImage& picture, std::uint32_t frameIndex) const {
    // The exports' own mosaic, so that the preview is the file.
    redactPicture(picture, regions, frameIndex);
}

bool RedactionEditor::mousePress(const QMouseEvent& event, const PictureMapping& mapping,
                                 std::uint32_t frameIndex) {
    if (!active || !mapping.isValid()) {
        return false;
    }
    const QPointF point = event.position();
    pressPoint = mapping.toPicture(point);
    dragChanged = false;
    dragEdges = 0;
    if (selected) {
        if (const auto rect = shownRect(*selected, frameIndex)) {
            dragEdges = handleAt(point, mapping.toWindow(pictureRect(*rect)));
            if (dragEdges != 0) {
                drag = Drag::Resize;
                startRect = *rect;
                return true;
            }
        }
    }
    if (const std::optional<std::size_t> hit = regionAt(point, mapping, frameIndex)) {
        selected = hit;
        drag = Drag::Move;
        startRect = *shownRect(*hit, frameIndex);
    } else {
        selected.reset();
        drag = Drag::Draw;
        drawnRect = {};
    }
    updateActions();
    repaint();
    return true;
}

RedactionRect RedactionEditor::dragged(const QPointF& now, const PictureMapping& mapping) const {
    const QPointF at = mapping.toPicture(now);
    const QSize picture = mapping.picture();
    if (drag == Drag::Draw) {
        // Pixel edges nearest the two corners, inside the picture.
        const auto edge = [](double v, int limit) {
            return std::clamp(static_cast<int>(std::lround(v)), 0, limit);
        };
        const int x0 = edge(std::min(pressPoint.x(), at.x()), picture.width());
        const int x1 = edge(std::max(pressPoint.x(), at.x()), picture.width());
        const int y0 = edge(std::min(pressPoint.y(), at.y()), picture.height());
        const int y1 = edge(std::max(pressPoint.y(), at.y()), picture.height());
        return {x0, y0, x1 - x0, y1 - y0};
    }
    const int dx = static_cast<int>(std::lround(at.x() - pressPoint.x()));
    const int dy = static_cast<int>(std::lround(at.y() - pressPoint.y()));
    RedactionRect r = startRect;
    if (drag == Drag::Move) {
        // At least one pixel stays on the picture, where it can be grabbed again.
        r.x = std::clamp(r.x + dx, 1 - r.w, picture.width() - 1);
        r.y = std::clamp(r.y + dy, 1 - r.h, picture.height() - 1);
        return r;
    }
    int left = r.x;
    int top = r.y;
    int right = r.x + r.w;
    int bottom = r.y + r.h;
    if ((dragEdges & Left) != 0) {
        left = std::min(left + dx, right - 1);
    }
    if ((dragEdges & Right) != 0) {
        right = std::max(right + dx, left + 1);
    }
    if ((dragEdges & Top) != 0) {
        top = std::min(top + dy, bottom - 1);
    }
    if ((dragEdges & Bottom) != 0) {
        bottom = std::max(bottom + dy, top + 1);
    }
    return {left, top, right - left, bottom - top};
}

void RedactionEditor::mouseMove(const QMouseEvent& event, const PictureMapping& mapping,
                                std::uint32_t frameIndex) {
    if (drag == Drag::None || !mapping.isValid()) {
        return;
    }
    const RedactionRect rect = dragged(event.position(), mapping);
    if (drag == Drag::Draw) {
        drawnRect = rect;
    } else if (selected && (dragChanged || !(rect == startRect))) {
        // Moved on a frame between keys: a key here, the others as they were.
        regions.regions()[*selected].setKey({frameIndex, rect});
        dragChanged = true;
    }
    repaint();
}

void RedactionEditor::mouseRelease(const QMouseEvent& event, const PictureMapping& mapping,
                                   std::uint32_t frameIndex) {
    if (drag == Drag::None) {
        return;
    }
    mouseMove(event, mapping, frameIndex);
    const Drag ended = std::exchange(drag, Drag::None);
    if (ended == Drag::Draw) {
        // A click on an empty place only drops the choice.
        if (drawnRect.w >= 2 && drawnRect.h >= 2) {
            RedactionRegion region(newLabel);
            region.setKey({frameIndex, drawnRect});
            regions.regions().push_back(std::move(region));
            selected = regions.regions().size() - 1;
            changed();
            return;
        }
    } else if (dragChanged) {
        changed();
        return;
    }
    updateActions();
    repaint();
}

Qt::CursorShape RedactionEditor::cursorAt(const QPointF& point, const PictureMapping& mapping,
                                          std::uint32_t frameIndex) const {
    if (!active || !mapping.isValid()) {
        return Qt::ArrowCursor;
    }
    if (selected) {
        if (const auto rect = shownRect(*selected, frameIndex)) {
            switch (handleAt(point, mapping.toWindow(pictureRect(*rect)))) {
                case Left | Top:
                case Right | Bottom:
                    return Qt::SizeFDiagCursor;
                case Right | Top:
                case Left | Bottom:
                    return Qt::SizeBDiagCursor;
                case Left:
                case Right:
                    return Qt::SizeHorCursor;
                case Top:
                case Bottom:
                    return Qt::SizeVerCursor;
                default:
                    break;
            }
        }
    }
    return regionAt(point, mapping, frameIndex) ? Qt::SizeAllCursor : Qt::CrossCursor;
}

bool RedactionEditor::command(keyTable::Command command, std::uint32_t) {
    switch (command) {
        case keyTable::Command::Leave:
            if (!active) {
                return false;
            }
            setActive(false);
            return true;
        case keyTable::Command::RemoveRegion:
            return removeSelected();
        case keyTable::Command::ToggleRegionKey:
            return toggleKey();
        default:
            return false;
    }
}

void RedactionEditor::paintOver(QPainter& painter, const PictureMapping& mapping,
                                std::uint32_t frameIndex) {
    if (!active || !mapping.isValid()) {
        return;
    }
    for (std::size_t r = 0; r < regions.regions().size(); ++r) {
        if (r != selected) {
            paintRegion(painter, mapping, r, frameIndex);
        }
    }
    // The chosen one on top, where its handles can be reached.
    if (selected) {
        paintRegion(painter, mapping, *selected, frameIndex);
    }
    if (drag == Drag::Draw && drawnRect.w > 0 && drawnRect.h > 0) {
        QPen pen(labelColour(newLabel), 2, Qt::DashLine);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(mapping.toWindow(pictureRect(drawnRect)));
    }
    paintModeLine(painter, mapping);
}

void RedactionEditor::paintRegion(QPainter& painter, const PictureMapping& mapping,
                                  std::size_t region, std::uint32_t frameIndex) const {
    bool ghost = false;
    const std::optional<RedactionRect> rect = shownRect(region, frameIndex, &ghost);
    if (!rect) {
        return;
    }
    const RedactionRegion& r = regions.regions()[region];
    const bool chosen = region == selected;
    const QRectF box = mapping.toWindow(pictureRect(*rect));
    const QColor colour = labelColour(r.label());
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    // A dark line under the coloured one keeps it visible on any picture.
    painter.setPen(QPen(Qt::black, chosen ? 4 : 3, ghost ? Qt::DotLine : Qt::SolidLine));
    painter.drawRect(box);
    painter.setPen(QPen(colour, chosen ? 2 : 1, ghost ? Qt::DotLine : Qt::SolidLine));
    painter.drawRect(box);

    QString tag = QString::fromUtf8(redactionLabelText(r.label()));
    if (r.hasKeyAt(frameIndex)) {
        tag += QLatin1Char(' ') + exportTexts::keyMark;
    }
    QFont font = painter.font();
    font.setPixelSize(12);
    font.setBold(true);
    painter.setFont(font);
    const QFontMetrics metrics(font);
    QRectF label(0, 0, metrics.horizontalAdvance(tag) + 8, metrics.height() + 2);
    label.moveBottomLeft(box.topLeft() + QPointF(0, -2));
    if (label.top() < player.imageArea().top()) {
        label.moveTopLeft(box.bottomLeft() + QPointF(0, 2));
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 170));
    painter.drawRect(label);
    painter.setPen(colour);
    painter.drawText(label, Qt::AlignCenter, tag);

    if (chosen) {
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(Qt::white);
        for (const Handle& handle : handlesOf(box)) {
            painter.drawRect(QRectF(handle.centre.x() - handleSide / 2,
                                    handle.centre.y() - handleSide / 2, handleSide, handleSide));
        }
    }
}

void RedactionEditor::paintModeLine(QPainter& painter, const PictureMapping& mapping) const {
    const QString text =
        exportTexts::modeLine.arg(QString::fromUtf8(redactionLabelText(newLabel)));
    QFont font = painter.font();
    font.setPixelSize(12);
    font.setBold(false);
    painter.setFont(font);
    const QFontMetrics metrics(font);
    const QRectF visible = mapping.target().intersected(QRectF(player.imageArea()));
    QRectF box(visible.topLeft(), QSizeF(std::min(visible.width(),
                                                  metrics.horizontalAdvance(text) + 12.0),
                                         metrics.height() + 6.0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 170));
    painter.drawRect(box);
    painter.setPen(Qt::white);
    painter.drawText(box.adjusted(6, 0, -6, 0), Qt::AlignVCenter | Qt::AlignLeft, text);
}
