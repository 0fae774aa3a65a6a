#include "LibraryFilter.h"

#include "LibraryModel.h"

LibraryFilter::LibraryFilter(QObject* parent) : QSortFilterProxyModel(parent) {}

void LibraryFilter::setText(const QString& text) {
    const QStringList split = text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (split == words) {
        return;
    }
    words = split;
    invalidateFilter();
}

void LibraryFilter::setDays(const QDate& fromDay, const QDate& toDay) {
    if (fromDay == from && toDay == to) {
        return;
    }
    from = fromDay;
    to = toDay;
    invalidateFilter();
}

bool LibraryFilter::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
    const QModelIndex cell = sourceModel()->index(sourceRow, 0, sourceParent);
    if (from.isValid() || to.isValid()) {
        const QDate day = cell.data(LibraryModel::dayRole).toDate();
        if (!day.isValid() || (from.isValid() && day < from) || (to.isValid() && day > to)) {
            return false;
        }
    }
    if (words.isEmpty()) {
        return true;
    }
    const QString searched = cell.data(LibraryModel::searchRole).toString();
    for (const QString& word : words) {
        if (!searched.contains(word, Qt::CaseInsensitive)) {
            return false;
        }
    }
    return true;
}
