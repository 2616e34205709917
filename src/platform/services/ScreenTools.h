#pragma once

#include <QString>

class QWidget;

namespace velkora::services {

// What the services library does to a screen's controls. The real ToolServices and the test
// double both use these, so the screen behaves the same under either.

// The widgets below screen whose dynamic property "Tag" equals tag (as text):
// each is emptied (a widget's invokable clearValue() when it has one; QLineEdit cleared,
// check boxes unticked, date edits set to today, otherwise an invokable clear()), and every
// one that is not an item view (grids and the field store stay enabled so they can be
// browsed) is disabled.
void clearScreen(QWidget *screen, int tag);
// Enables the same widgets.
void enableScreen(QWidget *screen, int tag);
// Sends keystrokes to the focused widget as if typed; "\t" moves the focus on exactly as a
// typed TAB does.
void simulateKeys(const QString &keys);
// The grid's context menu (copy all rows as tab-separated text, export to CSV file, ...).
void gridCommandShiftF10(QWidget *grid);
// The grid-wide command of F10.
void gridCommandF10(QWidget *grid);

} // namespace velkora::services
