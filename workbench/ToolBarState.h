// Where a main window's toolbars are: the dock, the row within the dock and
// the position within the row, or floating with a geometry of their own.
// Qt keeps this in the state that QMainWindow::saveState returns and that
// restoreState applies, the only public way to float a toolbar; these read
// and write the toolbar part of that state.
#pragma once

#include <QByteArray>
#include <QRect>
#include <QString>
#include <optional>
#include <vector>

struct TToolBarPlace {
    QString Name;  // the toolbar's object name
    Qt::ToolBarArea Area = Qt::TopToolBarArea;
    int Line = 0;      // row within the area, from 0 (floating toolbars keep one too)
    int Position = 0;  // offset within the row, in pixels
    int Size = -1;     // preferred length along the row; -1 when never resized
    bool Shown = true;
    bool Vertical = false;  // a floating toolbar's orientation
    bool Floating = false;
    QRect Geometry;  // a floating toolbar's frame
};

struct TToolBarLayout {
    int Version = 0;
    QByteArray OtherState;              // the dock-widget part, kept as it was
    std::vector<TToolBarPlace> Places;  // by area, row and position
};

// Reads a state from QMainWindow::saveState; nullopt when it is not in the
// form this Qt writes.
std::optional<TToolBarLayout> ReadToolBarLayout(const QByteArray& state);
// The state for QMainWindow::restoreState: the rows are rebuilt from each
// place's area, line and position.
QByteArray WriteToolBarLayout(const TToolBarLayout& layout);
