#pragma once

#include <QDate>
#include <QSortFilterProxyModel>
#include <QString>

// The rows of the library the user narrowed it to: every word of the text somewhere in the
// row's searchable text, and the day within the range when one is set. The order stays the
// model's, newest first.
class LibraryFilter : public QSortFilterProxyModel {
    Q_OBJECT

public:
    explicit LibraryFilter(QObject* parent = nullptr);

    void setText(const QString& text);
    // Null dates leave that end open; both null: no range.
    void setDays(const QDate& from, const QDate& to);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    QStringList words;
    QDate from;
    QDate to;
};
