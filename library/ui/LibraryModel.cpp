#include "LibraryModel.h"

#include <cstdlib>

#include <QDateTime>
#include <QFile>

#include "LibraryTexts.h"
#include "PathText.h"

namespace {

QString text(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QString folderKey(const std::string& folder) {
    return pathText::toQt(folder);
}

// "2026:11:28 14:35:07" as "2026/11/28 14:35:07"; "" when it is not of that form.
QString captureText(const std::string& stored) {
    const QDateTime time = QDateTime::fromString(text(stored).left(19), QStringLiteral("yyyy:MM:dd HH:mm:ss"));
    return time.isValid() ? time.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")) : QString();
}

QDate dayOf(const LibraryEntry& entry) {
    const QDateTime captured =
        QDateTime::fromString(text(entry.captureDate).left(19), QStringLiteral("yyyy:MM:dd HH:mm:ss"));
    if (captured.isValid()) {
        return captured.date();
    }
    return QDateTime::fromString(text(entry.importedAt), Qt::ISODate).toLocalTime().date();
}

}  // namespace

LibraryModel::LibraryModel(QObject* parent) : QAbstractTableModel(parent) {}

void LibraryModel::setEntries(const Library& library, std::vector<LibraryEntry> entries) {
    beginResetModel();
    lib = library;
    list = std::move(entries);
    rowOfFolder.clear();
    QHash<QString, QImage> kept;
    for (std::size_t row = 0; row < list.size(); ++row) {
        const QString key = folderKey(list[row].folder);
        rowOfFolder.insert(key, static_cast<int>(row));
        if (const auto found = pictures.constFind(key); found != pictures.constEnd()) {
            kept.insert(key, *found);
        }
    }
    pictures = std::move(kept);
    endResetModel();
}

void LibraryModel::setPicture(const std::string& folder, const QImage& picture) {
    const QString key = folderKey(folder);
    const auto row = rowOfFolder.constFind(key);
    if (row == rowOfFolder.constEnd()) {
        return;  // removed or listed afresh meanwhile
    }
    pictures.insert(key, picture);
    const QModelIndex cell = index(*row, Picture);
    emit dataChanged(cell, cell, {Qt::DecorationRole});
}

bool LibraryModel::hasPicture(int row) const {
    return pictures.contains(folderKey(entry(row).folder));
}

void LibraryModel::removeEntry(int row) {
    beginRemoveRows({}, row, row);
    pictures.remove(folderKey(entry(row).folder));
    list.erase(list.begin() + row);
    rowOfFolder.clear();
    for (std::size_t i = 0; i < list.size(); ++i) {
        rowOfFolder.insert(folderKey(list[i].folder), static_cast<int>(i));
    }
    endRemoveRows();
}

void LibraryModel::setSendingMarks(QHash<QString, SendingMark> marks) {
    sendingMarks = std::move(marks);
    if (!list.empty()) {
        emit dataChanged(index(0, Sending), index(rowCount() - 1, Sending),
                         {Qt::DisplayRole, Qt::ToolTipRole});
    }
}

int LibraryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(list.size());
}

int LibraryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString LibraryModel::displayText(const LibraryEntry& entry, int column) const {
    switch (column) {
        case Captured: {
            QString captured = captureText(entry.captureDate);
            if (!captured.isEmpty()) {
                return captured;
            }
            const QDateTime imported = QDateTime::fromString(text(entry.importedAt), Qt::ISODate);
            return libraryTexts::importedOn.arg(
                imported.toLocalTime().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")));
        }
        case Length: {
            if (entry.frames == 0 || entry.firstTime.empty() || entry.lastTime.empty()) {
                return libraryTexts::unknown;
            }
            // The readout times are exact to the millisecond; the length is their distance.
            const double length = std::strtod(entry.lastTime.c_str(), nullptr) -
                                  std::strtod(entry.firstTime.c_str(), nullptr);
            return libraryTexts::seconds.arg(length, 0, 'f', 1);
        }
        case Frames:
            return entry.frames == 0 && !entry.sidecarProblem.empty() ? libraryTexts::unknown
                                                                      : QString::number(entry.frames);
        case Vehicle: return text(entry.vehicle);
        case Driver: return text(entry.driver);
        case Note: return text(entry.note);
        case State: {
            QStringList marks;
            if (!entry.sidecarProblem.empty()) {
                marks << libraryTexts::brokenSidecar;
            } else if (!entry.complete) {
                marks << libraryTexts::incomplete;
            }
            return marks.join(QStringLiteral("、"));
        }
        case Sending:
            return sendingMarks.value(text(entry.sha256)).text;
        default: return {};
    }
}

QVariant LibraryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const LibraryEntry& e = entry(index.row());
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return displayText(e, index.column());
        case Qt::DecorationRole:
            if (index.column() == Picture) {
                const auto found = pictures.constFind(folderKey(e.folder));
                if (found != pictures.constEnd() && !found->isNull()) {
                    return *found;
                }
            }
            return {};
        case Qt::ToolTipRole:
            if (index.column() == State && !e.sidecarProblem.empty()) {
                return text(e.sidecarProblem);
            }
            if (index.column() == Sending) {
                const QString details = sendingMarks.value(text(e.sha256)).details;
                return details.isEmpty() ? QVariant() : QVariant(details);
            }
            if (index.column() == Picture || index.column() == Captured) {
                return pathText::toQt(e.path);
            }
            return {};
        case Qt::TextAlignmentRole:
            if (index.column() == Length || index.column() == Frames) {
                return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
            }
            return {};
        case searchRole:
            return QStringList{displayText(e, Captured), text(e.vehicle), text(e.driver),
                               text(e.note), text(e.fileName), text(e.source), text(e.volumeLabel)}
                .join(QLatin1Char('\n'));
        case dayRole:
            return dayOf(e);
        default:
            return {};
    }
}

QVariant LibraryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    static const QString names[ColumnCount] = {
        libraryTexts::columnPicture, libraryTexts::columnCaptured, libraryTexts::columnLength,
        libraryTexts::columnFrames,  libraryTexts::columnVehicle,  libraryTexts::columnDriver,
        libraryTexts::columnNote,    libraryTexts::columnState,   libraryTexts::columnSending};
    return section >= 0 && section < ColumnCount ? names[section] : QVariant();
}

Qt::ItemFlags LibraryModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.column() == Vehicle || index.column() == Driver || index.column() == Note) {
        flags |= Qt::ItemIsEditable;
    }
    return flags;
}

bool LibraryModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || !(flags(index) & Qt::ItemIsEditable)) {
        return false;
    }
    LibraryEntry changed = entry(index.row());
    const std::string typed = value.toString().toStdString();
    std::string* field = index.column() == Vehicle  ? &changed.vehicle
                         : index.column() == Driver ? &changed.driver
                                                    : &changed.note;
    if (*field == typed) {
        return true;
    }
    *field = typed;
    std::string error;
    if (!lib.saveUserFields(changed, error)) {
        emit saveFailed(folderKey(changed.folder), text(error));
        return false;
    }
    list[static_cast<std::size_t>(index.row())] = std::move(changed);
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}
