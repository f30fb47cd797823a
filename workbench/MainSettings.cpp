// The main window's part of the settings file: its placement, the working
// folder, the tip of the day, the toolbars' docking and the recent files.
#include <QAction>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QToolBar>
#include <map>

#include "IniFile.h"
#include "Main.h"
#include "RecentFiles.h"
#include "ToolBarState.h"

using quorvel::gui::TIniFile;

namespace {

const QString kMainSection = QStringLiteral("Janela Principal");
const QString kGeneralSection = QStringLiteral("Geral");
const std::array<QString, 4> kToolBarSections = {
    QStringLiteral("Ferramentas arquivo"), QStringLiteral("Ferramentas consulta"),
    QStringLiteral("Ferramentas sistema"), QStringLiteral("Ferramentas ajuda")};

const QString kTop = QStringLiteral("Cima");
const QString kLeft = QStringLiteral("Esquerda");
const QString kWidth = QStringLiteral("Largura");
const QString kHeight = QStringLiteral("Altura");
const QString kDock = QStringLiteral("Dock");
const QString kLine = QStringLiteral("Linha");
const QString kDockPosition = QStringLiteral("Posição dock");
const QString kVisible = QStringLiteral("Visível");

// Dock numbers of the settings file: 0 floating, 1 top, 2 left, 3 right, 4 bottom.
int DockNumber(Qt::ToolBarArea area) {
    switch (area) {
        case Qt::LeftToolBarArea:
            return 2;
        case Qt::RightToolBarArea:
            return 3;
        case Qt::BottomToolBarArea:
            return 4;
        default:
            return 1;
    }
}

Qt::ToolBarArea AreaOfNumber(int dock) {
    switch (dock) {
        case 2:
            return Qt::LeftToolBarArea;
        case 3:
            return Qt::RightToolBarArea;
        case 4:
            return Qt::BottomToolBarArea;
        default:
            return Qt::TopToolBarArea;
    }
}

// A row number beyond any a dock really has: floating toolbars are kept
// there, out of the way of the docked rows.
constexpr int kFloatingLine = 1000;

}  // namespace

// The very first start (no settings file yet): centred, at 80 % of the
// screen's free area, so that the toolbars fit on one row and a base's
// window has room for its buttons.
void TfrmMain::PlaceForFirstStart() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    resize(area.width() * 4 / 5, area.height() * 4 / 5);
    move(area.center() - rect().center());
}

void TfrmMain::LoadSettings() {
    const TIniFile ini;
    switch (ini.ReadInteger(kMainSection, QStringLiteral("Estado"), 0)) {
        case 0:
            setWindowState(windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized));
            break;
        case 1:
            setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
            break;
        case 2:
            setWindowState(windowState() | Qt::WindowMinimized);
            break;
        default:
            break;
    }
    if (!(windowState() & Qt::WindowMaximized)) {
        if (!QFileInfo::exists(ini.Path())) {
            PlaceForFirstStart();
        } else {
            move(ini.ReadInteger(kMainSection, kLeft, 10), ini.ReadInteger(kMainSection, kTop, 10));
            resize(ini.ReadInteger(kMainSection, kWidth, 500), ini.ReadInteger(kMainSection, kHeight, 200));
        }
    }
    WorkingFolder = ini.ReadString(kGeneralSection, QStringLiteral("Pasta de trabalho"));
    ShowTips = ini.ReadBool(kGeneralSection, QStringLiteral("Dica do dia"), true);
    LastTip = ini.ReadInteger(kGeneralSection, QStringLiteral("Última dica do dia"), 0);

    // The toolbars: what the file says over what the design says.
    const auto bars = ToolBars();
    std::optional<TToolBarLayout> layout = ReadToolBarLayout(saveState());
    for (std::size_t i = 0; i < bars.size(); ++i) {
        const QString& section = kToolBarSections[i];
        QToolBar* bar = bars[i];
        const int dock = ini.ReadInteger(section, kDock, -1);
        const int line = ini.ReadInteger(section, kLine, -1);
        const int position = ini.ReadInteger(section, kDockPosition, -1);
        const QRect old = bar->geometry();
        const int left = ini.ReadInteger(section, kLeft, -1);
        const int top = ini.ReadInteger(section, kTop, -1);
        const int width = ini.ReadInteger(section, kWidth, -1);
        const int height = ini.ReadInteger(section, kHeight, -1);
        const QRect geometry(left != -1 ? left : old.x(), top != -1 ? top : old.y(), width != -1 ? width : old.width(),
                             height != -1 ? height : old.height());
        const bool visible = ini.ReadBool(section, kVisible, true);
        if (!layout) {
            // A Qt whose saved state is not understood: docks only.
            if (dock >= 1 && dock <= 4) addToolBar(AreaOfNumber(dock), bar);
            bar->setVisible(visible);
            continue;
        }
        auto place = std::find_if(layout->Places.begin(), layout->Places.end(),
                                  [bar](const TToolBarPlace& p) { return p.Name == bar->objectName(); });
        if (place == layout->Places.end()) continue;
        if (dock == 0) {
            place->Floating = true;
            place->Line = kFloatingLine;
        } else if (dock >= 1 && dock <= 4) {
            place->Floating = false;
            place->Area = AreaOfNumber(dock);
        }
        if (line != -1 && !place->Floating) place->Line = line;
        if (position != -1) place->Position = position;
        if (place->Floating) {
            place->Geometry = geometry;
            place->Vertical = geometry.height() > geometry.width();
        }
        place->Shown = visible;
    }
    if (layout && !restoreState(WriteToolBarLayout(*layout), layout->Version)) {
        for (QToolBar* bar : bars) addToolBar(Qt::TopToolBarArea, bar);
    }
}

void TfrmMain::SaveSettings() {
    TIniFile ini;
    ini.BeginUpdate();
    ini.WriteInteger(kMainSection, kTop, y());
    ini.WriteInteger(kMainSection, kLeft, x());
    ini.WriteInteger(kMainSection, kWidth, width());
    ini.WriteInteger(kMainSection, kHeight, height());
    ini.WriteInteger(kMainSection, QStringLiteral("Estado"), isMaximized() ? 1 : isMinimized() ? 2 : 0);
    ini.WriteString(kGeneralSection, QStringLiteral("Pasta de trabalho"), WorkingFolder);
    ini.WriteBool(kGeneralSection, QStringLiteral("Dica do dia"), ShowTips);
    ini.WriteInteger(kGeneralSection, QStringLiteral("Última dica do dia"), LastTip);

    // Rows counted per dock among the docked toolbars only.
    const std::optional<TToolBarLayout> layout = ReadToolBarLayout(saveState());
    std::map<QString, std::pair<int, int>> rowAndPosition;
    if (layout) {
        std::map<Qt::ToolBarArea, std::pair<int, int>> lastRow;  // area -> (layout line, row number)
        for (const TToolBarPlace& place : layout->Places) {
            if (place.Floating) continue;
            auto [row, inserted] = lastRow.try_emplace(place.Area, place.Line, 0);
            if (!inserted && row->second.first != place.Line) row->second = {place.Line, row->second.second + 1};
            rowAndPosition[place.Name] = {row->second.second, place.Position};
        }
    }
    const auto bars = ToolBars();
    for (std::size_t i = 0; i < bars.size(); ++i) {
        const QString& section = kToolBarSections[i];
        QToolBar* bar = bars[i];
        const QRect bounds = bar->geometry();
        ini.WriteInteger(section, kTop, bounds.y());
        ini.WriteInteger(section, kLeft, bounds.x());
        ini.WriteInteger(section, kWidth, bounds.width());
        ini.WriteInteger(section, kHeight, bounds.height());
        ini.WriteInteger(section, kDock, bar->isFloating() ? 0 : DockNumber(toolBarArea(bar)));
        const auto found = rowAndPosition.find(bar->objectName());
        const bool known = found != rowAndPosition.end();
        ini.WriteInteger(section, kLine, known ? found->second.first : 0);
        ini.WriteInteger(section, kDockPosition, known ? found->second.second : 0);
        ini.WriteBool(section, kVisible, !bar->isHidden());
    }
    ini.EndUpdate();
}

void TfrmMain::UpdateRecentFiles() {
    TIniFile ini;
    quorvel::gui::UpdateRecentFiles(ini, CurrentFile);
}

void TfrmMain::LoadRecentFiles() {
    const TIniFile ini;
    const QStringList entries = quorvel::gui::RecentFileEntries(ini);
    for (int i = 0; i < std::min<int>(4, static_cast<int>(entries.size())); ++i) {
        QAction* item = mnuLastFile[static_cast<std::size_t>(i)];
        item->setVisible(true);
        item->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(entries[i]).fileName()));
        item->setStatusTip(entries[i]);
    }
    if (!entries.isEmpty()) mnuFileBar->setVisible(true);
}
