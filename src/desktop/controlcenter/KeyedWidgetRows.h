#pragma once

#include <QBoxLayout>
#include <QList>
#include <QWidget>

#include <algorithm>

namespace mv {

// Keeps one widget per record in `layout`, at the layout's first places and in the records'
// order, matched by id so that a widget lives as long as its record: the user's focus, cursor
// and composition in it survive every update. Widgets of records that went are hidden and
// deleted later (their own button may be the sender); a new record gets `make(record)`; every
// widget is shown its record by `show(widget, record)`; a repeated id shows once.
template<class Widget, class Record, class IdOf, class Make, class Show>
void showKeyedRows(QList<Widget*>& widgets, const QList<Record>& records, QBoxLayout* layout, IdOf idOf, Make make,
                   Show show)
{
    const auto recordWithID = [&](const auto& id) {
        return std::find_if(records.cbegin(), records.cend(), [&](const Record& record) { return record.id == id; });
    };
    const auto widgetWithID = [&](const auto& id) {
        return std::find_if(widgets.cbegin(), widgets.cend(), [&](const Widget* widget) { return idOf(widget) == id; });
    };
    for (auto widget = widgets.begin(); widget != widgets.end();) {
        if (recordWithID(idOf(*widget)) != records.cend()) {
            ++widget;
            continue;
        }
        layout->removeWidget(*widget);
        (*widget)->hide();
        (*widget)->deleteLater();
        widget = widgets.erase(widget);
    }
    QList<Widget*> ordered;
    for (const Record& record : records) {
        const auto found = widgetWithID(record.id);
        Widget* widget = found != widgets.cend() ? *found : nullptr;
        if (widget && ordered.contains(widget))
            continue;
        if (!widget) {
            widget = make(record);
            widgets.append(widget);
        }
        show(widget, record);
        ordered.append(widget);
    }
    for (int position = 0; position < ordered.size(); ++position) {
        if (layout->indexOf(ordered[position]) != position) {
            layout->removeWidget(ordered[position]);
            layout->insertWidget(position, ordered[position]);
        }
        ordered[position]->show();
    }
    widgets = ordered;
}

} // namespace mv
