// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QBoxLayout>
#include <QHash>
#include <QList>
#include <QUuid>
#include <QWidget>

#include <utility>

namespace kelvo {

// Whether keys already lists the items' keys in their order.
template <typename Items, typename KeyOf>
bool sameKeyOrder(const QList<QUuid> &keys, const Items &items, KeyOf keyOf)
{
    if (keys.size() != items.size())
        return false;
    for (qsizetype i = 0; i < keys.size(); ++i) {
        if (keys[i] != keyOf(items[i]))
            return false;
    }
    return true;
}

// Brings a layout's rows (from its first place on) into the order of items, one
// row per key: a key that stays keeps its entry, a new key gets make(item), and
// each kept or new entry sees update(entry, item) once. Rows of keys that went
// are hidden and deleted later (one may be emitting the signal that got here).
// A key listed twice shows once. Returns the keys in their new order.
template <typename Entry, typename Items, typename KeyOf, typename Make, typename Update, typename WidgetOf>
QList<QUuid> reconcileKeyedRows(QBoxLayout *layout, QHash<QUuid, Entry> &entries, const Items &items, KeyOf keyOf,
                                Make make, Update update, WidgetOf widgetOf)
{
    QHash<QUuid, Entry> previous = std::exchange(entries, {});
    QList<QUuid> order;
    order.reserve(items.size());
    for (const auto &item : items) {
        const QUuid key = keyOf(item);
        if (entries.contains(key))
            continue;
        Entry entry = previous.contains(key) ? previous.take(key) : make(item);
        update(entry, item);
        entries.insert(key, entry);
        order.append(key);
    }
    for (const Entry &gone : std::as_const(previous)) {
        QWidget *row = widgetOf(gone);
        layout->removeWidget(row);
        row->hide();
        row->deleteLater();
    }
    for (const Entry &entry : std::as_const(entries))
        layout->removeWidget(widgetOf(entry));
    for (qsizetype i = 0; i < order.size(); ++i)
        layout->insertWidget(static_cast<int>(i), widgetOf(entries.value(order[i])));
    return order;
}

} // namespace kelvo
