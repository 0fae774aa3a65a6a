#pragma once

#include <string>
#include <vector>

#include <QAbstractTableModel>
#include <QDate>
#include <QHash>
#include <QImage>

#include "Library.h"
#include "LibraryEntry.h"

// The library's recordings as table rows, newest first: the event frame's picture (filled in
// as it comes), capture date and time, length, frames, the user's fields (edited in place and
// saved into recording.json at once) and what is wrong with the recording.
class LibraryModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { Picture, Captured, Length, Frames, Vehicle, Driver, Note, State, Sending, ColumnCount };
    // Where a recording stands on its way to the server: the text of its cell, and the
    // details shown as its tooltip.
    struct SendingMark {
        QString text;
        QString details;
    };
    // The text the filter searches, and the day the recording was made (or imported).
    static constexpr int searchRole = Qt::UserRole + 1;
    static constexpr int dayRole = Qt::UserRole + 2;

    explicit LibraryModel(QObject* parent = nullptr);

    // Lists `library` afresh; pictures already made for the same folders are kept.
    void setEntries(const Library& library, std::vector<LibraryEntry> entries);
    const Library& library() const { return lib; }
    const LibraryEntry& entry(int row) const { return list[static_cast<std::size_t>(row)]; }
    const std::vector<LibraryEntry>& entries() const { return list; }
    // The picture of the recording in `folder`; a null image marks one that has none.
    void setPicture(const std::string& folder, const QImage& picture);
    bool hasPicture(int row) const;
    void removeEntry(int row);
    // The marks of the Sending column by SHA-256; a recording without one shows nothing.
    void setSendingMarks(QHash<QString, SendingMark> marks);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

signals:
    // A user's field could not be saved; the row keeps what recording.json holds.
    void saveFailed(const QString& folder, const QString& cause);

private:
    QString displayText(const LibraryEntry& entry, int column) const;

    Library lib{std::string()};
    std::vector<LibraryEntry> list;
    QHash<QString, int> rowOfFolder;
    QHash<QString, QImage> pictures;
    QHash<QString, SendingMark> sendingMarks;
};
