#include "ToolBarState.h"

#include <QDataStream>
#include <QIODevice>
#include <algorithm>
#include <map>
#include <tuple>

namespace {

// Markers of QMainWindow's saved state.
constexpr int kVersionMarker = 0xff;
constexpr uchar kDockWidgetStateMarker = 0xfd;
constexpr uchar kToolBarStateMarkerEx = 0xfc;
// The dock numbers of the toolbar part (left, right, top, bottom).
constexpr int kDockCount = 4;

Qt::ToolBarArea AreaOfDock(int dock) {
    switch (dock) {
        case 0:
            return Qt::LeftToolBarArea;
        case 1:
            return Qt::RightToolBarArea;
        case 2:
            return Qt::TopToolBarArea;
        default:
            return Qt::BottomToolBarArea;
    }
}

int DockOfArea(Qt::ToolBarArea area) {
    switch (area) {
        case Qt::LeftToolBarArea:
            return 0;
        case Qt::RightToolBarArea:
            return 1;
        case Qt::BottomToolBarArea:
            return 3;
        default:
            return 2;
    }
}

// A floating geometry packed in two words: bit 0 of the first says floating,
// then x + 0x7FFF and the width (16 bits each, the width losing its top bit);
// the second holds y + 0x7FFF and the height.
QRect UnpackRect(uint first, uint second, bool& floating) {
    floating = (first & 1u) != 0;
    if (!floating) return {};
    first >>= 1;
    const int x = static_cast<int>(first & 0xffffu) - 0x7fff;
    const int y = static_cast<int>(second & 0xffffu) - 0x7fff;
    const int width = static_cast<int>((first >> 16) & 0xffffu);
    const int height = static_cast<int>((second >> 16) & 0xffffu);
    return {x, y, width, height};
}

void PackRect(const QRect& rect, bool floating, uint& first, uint& second) {
    first = 0;
    second = 0;
    if (!floating) return;
    first = (static_cast<uint>(std::max(0, rect.width())) & 0xffffu) << 16;
    second = (static_cast<uint>(std::max(0, rect.height())) & 0xffffu) << 16;
    first |= static_cast<uint>(std::max(0, rect.x() + 0x7fff)) & 0xffffu;
    second |= static_cast<uint>(std::max(0, rect.y() + 0x7fff)) & 0xffffu;
    first = (first << 1) | 1u;
}

}  // namespace

std::optional<TToolBarLayout> ReadToolBarLayout(const QByteArray& state) {
    QDataStream in(state);
    in.setVersion(QDataStream::Qt_5_0);
    TToolBarLayout layout;
    int marker = 0;
    in >> marker >> layout.Version;
    if (in.status() != QDataStream::Ok || marker != kVersionMarker) return std::nullopt;

    bool toolBarsRead = false;
    while (!in.atEnd()) {
        const qint64 partStart = in.device()->pos();
        uchar part = 0;
        in >> part;
        if (part == kDockWidgetStateMarker) {
            // This program has no dock widgets: the part holds no dock, the
            // central widget's size and the four corners.
            int docks = -1;
            in >> docks;
            if (docks != 0) return std::nullopt;
            int width = 0, height = 0;
            in >> width >> height;
            for (int corner = 0; corner < 4; ++corner) {
                int area = 0;
                in >> area;
            }
            if (in.status() != QDataStream::Ok) return std::nullopt;
            layout.OtherState += state.mid(partStart, in.device()->pos() - partStart);
        } else if (part == kToolBarStateMarkerEx && !toolBarsRead) {
            int lines = 0;
            in >> lines;
            std::map<int, int> linesInDock;
            for (int l = 0; l < lines && in.status() == QDataStream::Ok; ++l) {
                int dock = -1, count = 0;
                in >> dock >> count;
                if (dock < 0 || dock >= kDockCount || count < 0) return std::nullopt;
                const int line = linesInDock[dock]++;
                for (int k = 0; k < count; ++k) {
                    TToolBarPlace place;
                    uchar shown = 0;
                    uint first = 0, second = 0;
                    in >> place.Name >> shown >> place.Position >> place.Size >> first >> second;
                    place.Area = AreaOfDock(dock);
                    place.Line = line;
                    place.Shown = (shown & 1u) != 0;
                    place.Vertical = (shown & 2u) != 0;
                    place.Geometry = UnpackRect(first, second, place.Floating);
                    layout.Places.push_back(place);
                }
            }
            toolBarsRead = true;
        } else {
            return std::nullopt;
        }
        if (in.status() != QDataStream::Ok) return std::nullopt;
    }
    if (!toolBarsRead) return std::nullopt;
    return layout;
}

QByteArray WriteToolBarLayout(const TToolBarLayout& layout) {
    // Rows by dock and line; within a row by position, then as listed.
    std::vector<const TToolBarPlace*> places;
    for (const TToolBarPlace& place : layout.Places) places.push_back(&place);
    std::stable_sort(places.begin(), places.end(), [](const TToolBarPlace* a, const TToolBarPlace* b) {
        return std::make_tuple(DockOfArea(a->Area), a->Line, a->Position) <
               std::make_tuple(DockOfArea(b->Area), b->Line, b->Position);
    });
    std::vector<std::vector<const TToolBarPlace*>> rows;
    for (std::size_t i = 0; i < places.size(); ++i) {
        const bool newRow = i == 0 || places[i]->Area != places[i - 1]->Area || places[i]->Line != places[i - 1]->Line;
        if (newRow) rows.emplace_back();
        rows.back().push_back(places[i]);
    }

    QByteArray state;
    QDataStream out(&state, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_5_0);
    out << kVersionMarker << layout.Version;
    out.writeRawData(layout.OtherState.constData(), static_cast<int>(layout.OtherState.size()));
    out << kToolBarStateMarkerEx << static_cast<int>(rows.size());
    for (const auto& row : rows) {
        out << DockOfArea(row.front()->Area) << static_cast<int>(row.size());
        for (const TToolBarPlace* place : row) {
            uint first = 0, second = 0;
            PackRect(place->Geometry, place->Floating, first, second);
            const uchar shown = static_cast<uchar>((place->Shown ? 1u : 0u) | (place->Vertical ? 2u : 0u));
            out << place->Name << shown << place->Position << place->Size << first << second;
        }
    }
    return state;
}
