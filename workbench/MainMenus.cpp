// The main window's menus, toolbars and status bar, and the menus that
// refresh themselves when they open (Edit, Show, System, Window).
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QIcon>
#include <QKeySequence>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTextEdit>
#include <QToolBar>
#include <algorithm>

#include "Base.h"
#include "Main.h"
#include "StatusBar.h"

namespace {

QString IconFile(const char* name) { return QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name)); }

QIcon Icon(const char* name) { return QIcon(IconFile(name)); }

// A menu item: its caption, hint (shown in the status bar) and shortcut.
QAction* MenuItem(QMenu* menu, const char* name, const QString& caption, const QString& hint,
                  const QKeySequence& shortcut = {}, const char* icon = nullptr) {
    auto* action = new QAction(caption, menu);
    action->setObjectName(QLatin1String(name));
    action->setStatusTip(hint);
    action->setShortcut(shortcut);
    // The icon is read when its menu is first about to open: reading the
    // pictures of every menu at once would hold up the start of the workbench.
    if (icon) {
        QObject::connect(
            menu, &QMenu::aboutToShow, action, [action, file = IconFile(icon)] { action->setIcon(QIcon(file)); },
            Qt::SingleShotConnection);
    }
    menu->addAction(action);
    return action;
}

QAction* Separator(QMenu* menu, const char* name = nullptr) {
    QAction* separator = menu->addSeparator();
    if (name) separator->setObjectName(QLatin1String(name));
    return separator;
}

QMenu* SubMenu(QWidget* owner, QMenuBar* bar, const char* name, const QString& caption, const QString& hint) {
    auto* menu = new QMenu(caption, owner);
    menu->setObjectName(QLatin1String(name));
    menu->menuAction()->setObjectName(QLatin1String(name));
    menu->menuAction()->setStatusTip(hint);
    if (bar) bar->addMenu(menu);
    return menu;
}

// A toolbar button: the hint's part before "|" is its tooltip, the part after
// it the status bar text.
QAction* Button(QToolBar* bar, const char* name, const char* icon, const QString& hint) {
    const qsizetype bar_at = hint.indexOf(QLatin1Char('|'));
    auto* action = new QAction(Icon(icon), hint.left(bar_at), bar);
    action->setObjectName(QLatin1String(name));
    action->setToolTip(hint.left(bar_at));
    action->setStatusTip(bar_at < 0 ? QString() : hint.mid(bar_at + 1));
    bar->addAction(action);
    // The button shows only its icon: screen readers say its short hint.
    if (QWidget* button = bar->widgetForAction(action)) button->setAccessibleName(hint.left(bar_at));
    return action;
}

QToolBar* ToolBar(QMainWindow* owner, const char* name, const QString& caption) {
    auto* bar = new QToolBar(caption, owner);
    bar->setObjectName(QLatin1String(name));
    bar->setMovable(true);
    bar->setFloatable(true);
    bar->setIconSize(QSize(22, 22));
    bar->setAllowedAreas(Qt::AllToolBarAreas);
    return bar;
}

const QString kNoSelection = QStringLiteral("Esse comando não está disponível porque nenhum texto foi selecionado.");

}  // namespace

void SetButtonHint(QAction* button, const QString& hint) {
    const qsizetype bar_at = hint.indexOf(QLatin1Char('|'));
    button->setToolTip(hint.left(bar_at));
    button->setText(hint.left(bar_at));
    button->setStatusTip(bar_at < 0 ? QString() : hint.mid(bar_at + 1));
}

void TfrmMain::CreateMenus() {
    QMenuBar* bar = menuBar();

    mnuFile = SubMenu(this, bar, "mnuFile", QStringLiteral("&Arquivo"),
                      QStringLiteral("Realiza operações com os arquivos de base de conhecimento."));
    mnuNew =
        MenuItem(mnuFile, "mnuNew", QStringLiteral("&Nova base"),
                 QStringLiteral("Cria uma nova base de conhecimentos."), QKeySequence(Qt::CTRL | Qt::Key_N), "new");
    mnuOpen = MenuItem(mnuFile, "mnuOpen", QStringLiteral("&Abrir base..."),
                       QStringLiteral("Abre uma base pré-existente"), QKeySequence(Qt::CTRL | Qt::Key_A), "open");
    mnuSave = MenuItem(mnuFile, "mnuSave", QStringLiteral("&Salvar base"), QStringLiteral("Salva a base em uso."),
                       QKeySequence(Qt::CTRL | Qt::Key_S), "save");
    mnuSaveAs = MenuItem(mnuFile, "mnuSaveAs", QStringLiteral("Salvar &como..."),
                         QStringLiteral("Salva a base com outro nome e/ou diretório."));
    Separator(mnuFile);
    mnuExport = SubMenu(this, nullptr, "mnuExport", QStringLiteral("&Exportar"),
                        QStringLiteral("Salva a base em outros formatos."));
    mnuFile->addMenu(mnuExport);
    mnuExportBase = MenuItem(mnuExport, "mnuExportBase", QStringLiteral("&Base de Conhecimento..."),
                             QStringLiteral("Salva a base de conhecimento em um arquivo texto."));
    mnuExportCode = MenuItem(
        mnuExport, "mnuExportCode", QStringLiteral("&Códigos..."),
        QStringLiteral("Salva em um arquivo texto os códigos internos da base de conhecimento para programação."));
    mnuPrint =
        MenuItem(mnuFile, "mnuPrint", QStringLiteral("&Imprimir"), QStringLiteral("Imprime a base de conhecimentos."),
                 QKeySequence(Qt::CTRL | Qt::Key_P), "print");
    Separator(mnuFile);
    for (int i = 0; i < 4; ++i) {
        const QByteArray name = "mnuLastFile" + QByteArray::number(i + 1);
        mnuLastFile[static_cast<std::size_t>(i)] =
            MenuItem(mnuFile, name.constData(), QStringLiteral("&%1 ").arg(i + 1),
                     QStringLiteral("Abre essa base de conhecimentos."));
        QAction* item = mnuLastFile[static_cast<std::size_t>(i)];
        item->setVisible(false);
        // The item's hint holds the full path of its base.
        connect(item, &QAction::triggered, this, [this, item] { OpenBase(item->statusTip()); });
    }
    mnuFileBar = Separator(mnuFile, "mnuFileBar");
    mnuFileBar->setVisible(false);
    mnuExit = MenuItem(mnuFile, "mnuExit", QStringLiteral("Sai&r"), QStringLiteral("Sai do Quorvel."), {}, "exit");

    mnuEdit = SubMenu(this, bar, "mnuEdit", QStringLiteral("&Editar"),
                      QStringLiteral("Realiza operações com a Área de Transferência."));
    mnuCut = MenuItem(mnuEdit, "mnuCut", QStringLiteral("&Recortar"), kNoSelection, QKeySequence(Qt::CTRL | Qt::Key_X),
                      "cut");
    mnuCopy = MenuItem(mnuEdit, "mnuCopy", QStringLiteral("&Copiar"), kNoSelection, QKeySequence(Qt::CTRL | Qt::Key_C),
                       "copy");
    mnuPaste = MenuItem(mnuEdit, "mnuPaste", QStringLiteral("Co&lar"), kNoSelection, QKeySequence(Qt::CTRL | Qt::Key_V),
                        "paste");
    mnuDelete = MenuItem(mnuEdit, "mnuDelete", QStringLiteral("&Limpar"), kNoSelection,
                         QKeySequence(Qt::CTRL | Qt::Key_Delete));

    mnuShow = SubMenu(this, bar, "mnuShow", QStringLiteral("Exi&bir"),
                      QStringLiteral("Ativa/desativa exibições de parte do ambiente de trabalho."));
    const QString toolbarHint = QStringLiteral("Ativa/desativa exibição desta barra de ferramentas.");
    mnuShowToolBoxFile = MenuItem(mnuShow, "mnuShowToolBoxFile", QStringLiteral("&Barra de arquivo"), toolbarHint);
    mnuShowToolBoxConsult =
        MenuItem(mnuShow, "mnuShowToolBoxConsult", QStringLiteral("Barra de &consulta"), toolbarHint);
    mnuShowToolBoxSystem = MenuItem(mnuShow, "mnuShowToolBoxSystem", QStringLiteral("Barra de sis&tema"), toolbarHint);
    mnuShowToolBoxHelp = MenuItem(mnuShow, "mnuShowToolBoxHelp", QStringLiteral("Barra de aju&da"), toolbarHint);
    mnuShowStatus = MenuItem(mnuShow, "mnuShowStatus", QStringLiteral("Barra de &status"),
                             QStringLiteral("Ativa/desativa exibição da barra de status."));
    for (QAction* item :
         {mnuShowToolBoxFile, mnuShowToolBoxConsult, mnuShowToolBoxSystem, mnuShowToolBoxHelp, mnuShowStatus}) {
        item->setCheckable(true);
        item->setChecked(true);
    }
    lineOptions = Separator(mnuShow, "lineOptions");
    mnuOptions = MenuItem(mnuShow, "mnuOptions", QStringLiteral("&Opções"),
                          QStringLiteral("Opções gerais sobre a base de conhecimento."),
                          QKeySequence(Qt::CTRL | Qt::Key_O), "options");

    mnuSystem = SubMenu(this, bar, "mnuSystem", QStringLiteral("&Sistema"), QString());
    mnuSystemNewRule = MenuItem(mnuSystem, "mnuSystemNewRule", QStringLiteral("&Nova regra..."),
                                QStringLiteral("Gera um modelo para criação de uma nova regra."), {}, "newrule");
    mnuSystemOpenRule = MenuItem(mnuSystem, "mnuSystemOpenRule", QStringLiteral("Abrir &regra"),
                                 QStringLiteral("Abre uma regra selecionada para edição."), {}, "openrule");
    mnuSystemDelete = MenuItem(mnuSystem, "mnuSystemDelete", QStringLiteral("Exc&lui regra"),
                               QStringLiteral("Exclui a regra selecionada ao lado."), {}, "deleterule");
    mnuSystemView = MenuItem(mnuSystem, "mnuSystemView", QStringLiteral("Visuali&zar..."),
                             QStringLiteral("Visualiza todas as regra contruídas."), {}, "view");
    Separator(mnuSystem);
    mnuSystemVars = MenuItem(mnuSystem, "mnuSystemVars", QStringLiteral("&Variáveis"),
                             QStringLiteral("Edita as variáveis da base."), {}, "vars");
    mnuSystemTargets = MenuItem(mnuSystem, "mnuSystemTargets", QStringLiteral("&Objetivos"),
                                QStringLiteral("Define os objetivos do Sistema Especialista."), {}, "targets");
    mnuInterface = MenuItem(mnuSystem, "mnuInterface", QStringLiteral("&Interface"),
                            QStringLiteral("Define a interface com o usuário final da base."), {}, "questions");
    mnuSystemInfo = MenuItem(mnuSystem, "mnuSystemInfo", QStringLiteral("Infor&mações"),
                             QStringLiteral("Define as informações gerais e contextos de ajuda."), {}, "info");
    Separator(mnuSystem);
    mnuSystemCheck = MenuItem(mnuSystem, "mnuSystemCheck", QStringLiteral("Verificar &base"),
                              QStringLiteral("Verifica a base sem consultá-la: fórmulas, regras, variáveis e "
                                             "dependências."),
                              {}, "dependencies");

    mnuExecute = SubMenu(this, bar, "mnuExecute", QStringLiteral("&Consulta"),
                         QStringLiteral("Põe em funcionamento a base de conhecimentos."));
    mnuStart = MenuItem(mnuExecute, "mnuStart", QStringLiteral("&Iniciar"),
                        QStringLiteral("Inicia uma consulta ao sistema especialista."), QKeySequence(Qt::Key_F9), "go");
    mnuFinish = MenuItem(mnuExecute, "mnuFinish", QStringLiteral("&Finalizar"),
                         QStringLiteral("Aborta a execução da base de conhecimentos."),
                         QKeySequence(Qt::CTRL | Qt::Key_F2), "stop");
    mnuBarBreak = Separator(mnuExecute, "mnuBarBreak");
    mnuBreak = MenuItem(mnuExecute, "mnuBreak", QStringLiteral("&Interromper a consulta"),
                        QStringLiteral("Paralisa a execução no ponto atual da máquina de inferência."),
                        QKeySequence(Qt::CTRL | Qt::Key_F7), "pause");
    mnuLastQuestion = MenuItem(mnuExecute, "mnuLastQuestion", QStringLiteral("&Voltar pergunta"),
                               QStringLiteral("Volta para a pergunta anterior."), {}, "lastquestion");

    mnuDebug = SubMenu(this, bar, "mnuDebug", QStringLiteral("&Depurar"),
                       QStringLiteral("Exibe o andamento da máquina de inferência."));
    mnuStep =
        MenuItem(mnuDebug, "mnuStep", QStringLiteral("&Passo"),
                 QStringLiteral("Avança passo-a-passo a máquina de inferência."), QKeySequence(Qt::Key_F8), "step");
    mnuWatch = MenuItem(mnuDebug, "mnuWatch", QStringLiteral("&Ver variáveis"),
                        QStringLiteral("Exibe os valores atuais das variáveis selecionadas."),
                        QKeySequence(Qt::CTRL | Qt::Key_R), "watch");
    mnuAdd = MenuItem(mnuDebug, "mnuAdd", QStringLiteral("&Adicionar variáveis..."),
                      QStringLiteral("Adiciona variáveis para a lista de variáveis."), {}, "addvars");
    Separator(mnuDebug);
    mnuDependencies = MenuItem(mnuDebug, "mnuDependencies", QStringLiteral("&Dependências..."),
                               QStringLiteral("Analisa dependências entre as variáveis."), {}, "dependencies");

    mnuWindow = SubMenu(this, bar, "mnuWindow", QStringLiteral("&Janela"),
                        QStringLiteral("Ajusta a exibição das janelas na área de trabalho."));
    mnuCascade = MenuItem(mnuWindow, "mnuCascade", QStringLiteral("&Em cascata"),
                          QStringLiteral("Coloca as janela da área de trabalho em cascata."), {}, "cascade");
    mnuTileH = MenuItem(mnuWindow, "mnuTileH", QStringLiteral("Lado a lado &horizontalmente"),
                        QStringLiteral("Coloca as janela da área de trabalho lado a lado na horizontal."), {}, "tileh");
    mnuTileV = MenuItem(mnuWindow, "mnuTileV", QStringLiteral("Lado a lado &verticalmente"),
                        QStringLiteral("Coloca as janela da área de trabalho lado a lado na vertical."), {}, "tilev");
    mnuIcons = MenuItem(mnuWindow, "mnuIcons", QStringLiteral("Arranjar &ícones"),
                        QStringLiteral("Ajusta os ícones da área de trabalho."));

    mnuHelp = SubMenu(this, bar, "mnuHelp", QStringLiteral("&?"), QStringLiteral("Opções de ajuda do Quorvel."));
    // F1 is only written in the caption: the key itself opens the focused window's topic.
    mnuContents = MenuItem(mnuHelp, "mnuContents",
                           QStringLiteral("&Conteúdo") + QString(24, QLatin1Char(' ')) + QStringLiteral("F1"),
                           QStringLiteral("Exibe o índice da ajuda do Quorvel."), {}, "help");
    mnuSeekHelp = MenuItem(mnuHelp, "mnuSeekHelp", QStringLiteral("&Procurar Ajuda Sobre..."),
                           QStringLiteral("Ativa a procura por tópicos."), {}, "search");
    mnuHowToUse = MenuItem(mnuHelp, "mnuHowToUse", QStringLiteral("Como &Usar a Ajuda"),
                           QStringLiteral("Informações de como usar a Ajuda do Windows."));
    Separator(mnuHelp);
    mnuTipOfTheDay = MenuItem(mnuHelp, "mnuTipOfTheDay", QStringLiteral("&Dica do dia..."),
                              QStringLiteral("Exibe uma dica sobre o Quorvel."), {}, "tip");
    Separator(mnuHelp);
    mnuAbout = MenuItem(mnuHelp, "mnuAbout", QStringLiteral("So&bre o Quorvel..."),
                        QStringLiteral("Informações sobre os criadores do Quorvel."), {}, "quorvel");

    // The consultation's keys work from every window of the program, the
    // question dialog and the trace and watch windows included.
    for (QAction* command : {mnuStart, mnuFinish, mnuBreak, mnuStep}) command->setShortcutContext(Qt::ApplicationShortcut);

    // States at creation: only File, Show and Help are shown.
    for (QAction* item : {mnuSave, mnuSaveAs, mnuExport->menuAction(), mnuPrint, mnuOptions, mnuFinish, mnuLastQuestion,
                          mnuDependencies, mnuExecute->menuAction(), mnuDebug->menuAction()})
        item->setEnabled(false);
    for (QAction* item :
         {mnuEdit->menuAction(), lineOptions, mnuOptions, mnuSystem->menuAction(), mnuExecute->menuAction(),
          mnuBarBreak, mnuBreak, mnuDebug->menuAction(), mnuWindow->menuAction()})
        item->setVisible(false);

    connect(mnuNew, &QAction::triggered, this, &TfrmMain::btnNewClick);
    connect(mnuOpen, &QAction::triggered, this, &TfrmMain::btnOpenClick);
    connect(mnuSave, &QAction::triggered, this, [this] { btnSaveClick(); });
    connect(mnuSaveAs, &QAction::triggered, this, [this] { mnuSaveAsClick(); });
    connect(mnuExportBase, &QAction::triggered, this, &TfrmMain::ExportBase);
    connect(mnuExportCode, &QAction::triggered, this, &TfrmMain::ExportCodes);
    connect(mnuPrint, &QAction::triggered, this, &TfrmMain::PrintBase);
    connect(mnuExit, &QAction::triggered, this, &QWidget::close);

    connect(mnuEdit, &QMenu::aboutToShow, this, &TfrmMain::mnuEditClick);
    connect(mnuCut, &QAction::triggered, this, [this] { EditAction(0); });
    connect(mnuCopy, &QAction::triggered, this, [this] { EditAction(1); });
    connect(mnuPaste, &QAction::triggered, this, [this] { EditAction(2); });
    connect(mnuDelete, &QAction::triggered, this, [this] { EditAction(3); });

    connect(mnuShow, &QMenu::aboutToShow, this, &TfrmMain::mnuShowClick);
    const std::array<std::pair<QAction*, QToolBar**>, 4> toggles = {{{mnuShowToolBoxFile, &XToolBarFile},
                                                                     {mnuShowToolBoxConsult, &XToolBarConsult},
                                                                     {mnuShowToolBoxSystem, &XToolBarSystem},
                                                                     {mnuShowToolBoxHelp, &XToolBarHelp}}};
    for (const auto& [item, toolbar] : toggles)
        connect(item, &QAction::toggled, this, [toolbar](bool on) { (*toolbar)->setVisible(on); });
    connect(mnuShowStatus, &QAction::toggled, this, [this](bool on) { statusBar()->setVisible(on); });
    connect(mnuOptions, &QAction::triggered, this, &TfrmMain::ShowOptions);

    connect(mnuSystem, &QMenu::aboutToShow, this, &TfrmMain::mnuSystemClick);
    const std::array<TBaseCommandItem, kBaseCommandCount> systemItems = {{{mnuSystemNewRule, TBaseCommand::NewRule},
                                                                          {mnuSystemOpenRule, TBaseCommand::OpenRule},
                                                                          {mnuSystemDelete, TBaseCommand::Delete},
                                                                          {mnuSystemView, TBaseCommand::View},
                                                                          {mnuSystemVars, TBaseCommand::Vars},
                                                                          {mnuSystemTargets, TBaseCommand::Targets},
                                                                          {mnuInterface, TBaseCommand::Questions},
                                                                          {mnuSystemInfo, TBaseCommand::Info}}};
    for (const auto& [item, which] : systemItems)
        connect(item, &QAction::triggered, this, [this, command = which] { ForwardToBase(command); });
    connect(mnuSystemCheck, &QAction::triggered, this, &TfrmMain::CheckBase);

    connect(mnuStart, &QAction::triggered, this, &TfrmMain::TurnOnExecutionMode);
    connect(mnuFinish, &QAction::triggered, this, &TfrmMain::btnStopClick);
    connect(mnuBreak, &QAction::triggered, this, &TfrmMain::btnPauseClick);
    connect(mnuLastQuestion, &QAction::triggered, this, &TfrmMain::BackToLastQuestion);
    connect(mnuStep, &QAction::triggered, this, &TfrmMain::ExecuteStep);
    connect(mnuWatch, &QAction::triggered, this, &TfrmMain::btnWatchClick);
    connect(mnuAdd, &QAction::triggered, this, &TfrmMain::mnuAddClick);
    connect(mnuDependencies, &QAction::triggered, this, &TfrmMain::ShowDependencies);

    connect(mnuWindow, &QMenu::aboutToShow, this, &TfrmMain::mnuWindowClick);
    connect(mnuCascade, &QAction::triggered, mdiArea_, &QMdiArea::cascadeSubWindows);
    connect(mnuTileH, &QAction::triggered, this, [this] { ArrangeTiles(true); });
    connect(mnuTileV, &QAction::triggered, this, [this] { ArrangeTiles(false); });
    connect(mnuIcons, &QAction::triggered, this, &TfrmMain::ArrangeIcons);

    connect(mnuContents, &QAction::triggered, this, &TfrmMain::ShowHelpContents);
    connect(mnuSeekHelp, &QAction::triggered, this, &TfrmMain::ShowHelpSearch);
    connect(mnuHowToUse, &QAction::triggered, this, &TfrmMain::ShowHelpOnHelp);
    connect(mnuTipOfTheDay, &QAction::triggered, this, &TfrmMain::ShowTipOfTheDay);
    connect(mnuAbout, &QAction::triggered, this, &TfrmMain::ShowAbout);
}

void TfrmMain::CreateToolBars() {
    XToolBarFile = ToolBar(this, "XToolBarFile", QStringLiteral("Arquivo"));
    btnNew = Button(XToolBarFile, "btnNew", "new", QStringLiteral("Novo|Cria nova base de conhecimentos."));
    btnOpen =
        Button(XToolBarFile, "btnOpen", "open", QStringLiteral("Abrir|Abre uma base de conhecimentos já existente."));
    btnSave = Button(XToolBarFile, "btnSave", "save",
                     QStringLiteral("Salvar|Salva as alterações feitas na base de conhecimentos."));
    XToolBarFile->addSeparator();
    btnPrint = Button(XToolBarFile, "btnPrint", "print",
                      QStringLiteral("Imprimir|Imprime a base de conhecimentos por completo."));

    XToolBarConsult = ToolBar(this, "XToolBarConsult", QStringLiteral("Consulta"));
    btnGo =
        Button(XToolBarConsult, "btnGo", "go", QStringLiteral("Iniciar|Inicia uma consulta ao sistema especialista."));
    btnLastQuestion = Button(XToolBarConsult, "btnLastQuestion", "lastquestion",
                             QStringLiteral("Voltar pergunta|Volta à pergunta anterior."));
    btnPause = Button(XToolBarConsult, "btnPause", "pause",
                      QStringLiteral("Pausa|Interrompe a execução da base de conhecimentos."));
    btnStop =
        Button(XToolBarConsult, "btnStop", "stop", QStringLiteral("Parar|Aborta a execução da base de conhecimentos."));
    XToolBarConsult->addSeparator();
    btnStep = Button(XToolBarConsult, "btnStep", "step", QStringLiteral("Passo|Executa a base passo a passo."));
    btnAddVars = Button(XToolBarConsult, "btnAddVars", "addvars",
                        QStringLiteral("Adicionar|Adiciona variáveis para a lista de variáveis."));
    btnWatch =
        Button(XToolBarConsult, "btnWatch", "watch", QStringLiteral("Ver|Exibe lista de variáveis em observação."));

    XToolBarSystem = ToolBar(this, "XToolBarSystem", QStringLiteral("Base de conhecimento"));
    btnNewRule = Button(XToolBarSystem, "btnNewRule", "newrule",
                        QStringLiteral("Nova Regra|Gera um modelo para criação de uma nova regra."));
    btnOpenRule = Button(XToolBarSystem, "btnOpenRule", "openrule",
                         QStringLiteral("Abrir Regra|Abre uma regra selecionada para edição."));
    btnDelete = Button(XToolBarSystem, "btnDelete", "deleterule",
                       QStringLiteral("Excluir Regra|Exclui a regra selecionada na lista."));
    btnView =
        Button(XToolBarSystem, "btnView", "view", QStringLiteral("Visualizar|Visualiza todas as regra construídas."));
    btnVars = Button(XToolBarSystem, "btnVars", "vars", QStringLiteral("Variáveis|Edita as variáveis da base."));
    btnTargets = Button(XToolBarSystem, "btnTargets", "targets",
                        QStringLiteral("Objetivos|Define os objetivos do Sistema Especialista."));
    btnQuestions = Button(XToolBarSystem, "btnQuestions", "questions",
                          QStringLiteral("Interface|Define a interface com o usuário final da base."));
    btnInfo = Button(XToolBarSystem, "btnInfo", "info",
                     QStringLiteral("Informações|Define as informações gerais e contextos de ajuda."));

    XToolBarHelp = ToolBar(this, "XToolBarHelp", QStringLiteral("Ajuda"));
    btnHelp = Button(XToolBarHelp, "btnHelp", "help", QStringLiteral("Ajuda|Ajuda do Quorvel."));

    // At design time all four sit in the top dock, in this order, on two rows.
    addToolBar(Qt::TopToolBarArea, XToolBarFile);
    addToolBar(Qt::TopToolBarArea, XToolBarConsult);
    addToolBarBreak(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, XToolBarSystem);
    addToolBar(Qt::TopToolBarArea, XToolBarHelp);

    for (QAction* button : {btnSave, btnPrint, btnGo, btnLastQuestion, btnPause, btnStop, btnStep, btnAddVars, btnWatch,
                            btnNewRule, btnOpenRule, btnDelete, btnView, btnVars, btnTargets, btnQuestions, btnInfo})
        button->setEnabled(false);

    connect(btnNew, &QAction::triggered, this, &TfrmMain::btnNewClick);
    connect(btnOpen, &QAction::triggered, this, &TfrmMain::btnOpenClick);
    connect(btnSave, &QAction::triggered, this, [this] { btnSaveClick(); });
    connect(btnPrint, &QAction::triggered, this, &TfrmMain::PrintBase);
    connect(btnGo, &QAction::triggered, this, &TfrmMain::TurnOnExecutionMode);
    connect(btnLastQuestion, &QAction::triggered, this, &TfrmMain::BackToLastQuestion);
    connect(btnPause, &QAction::triggered, this, &TfrmMain::btnPauseClick);
    connect(btnStop, &QAction::triggered, this, &TfrmMain::btnStopClick);
    connect(btnStep, &QAction::triggered, this, &TfrmMain::ExecuteStep);
    connect(btnAddVars, &QAction::triggered, this, &TfrmMain::mnuAddClick);
    connect(btnWatch, &QAction::triggered, this, &TfrmMain::btnWatchClick);
    for (const auto& [button, which] : BaseCommandButtons())
        connect(button, &QAction::triggered, this, [this, command = which] { ForwardToBase(command); });
    connect(btnHelp, &QAction::triggered, this, &TfrmMain::ShowHelpContents);
}

void TfrmMain::CreateStatusBar() { statusPanels_ = new TStatusPanels(statusBar()); }

// ------------------------------------------------------------ Edit menu

namespace {

// The focused control when it is a text box: its selection, and whether it
// takes pasted text.
struct TFocusedText {
    bool isText = false;
    bool hasSelection = false;
    bool readOnly = false;
};

TFocusedText FocusedText(QWidget* focus) {
    TFocusedText text;
    if (auto* edit = qobject_cast<QLineEdit*>(focus)) {
        text = {true, edit->hasSelectedText(), edit->isReadOnly()};
    } else if (auto* memo = qobject_cast<QPlainTextEdit*>(focus)) {
        text = {true, memo->textCursor().hasSelection(), memo->isReadOnly()};
    } else if (auto* rich = qobject_cast<QTextEdit*>(focus)) {
        text = {true, rich->textCursor().hasSelection(), rich->isReadOnly()};
    }
    return text;
}

bool ClipboardHasText() {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return data && data->hasText() && !data->text().isEmpty();
}

}  // namespace

void TfrmMain::mnuEditClick() {
    const QString noTarget =
        QStringLiteral("Esse comando não está disponível porque o objeto selecionado não o aceita.");
    const TFocusedText focused = FocusedText(QApplication::focusWidget());
    if (!focused.isText) {
        for (QAction* item : {mnuCut, mnuDelete, mnuCopy}) {
            item->setEnabled(false);
            item->setStatusTip(kNoSelection);
        }
        mnuPaste->setEnabled(false);
        mnuPaste->setStatusTip(noTarget);
        return;
    }
    const bool paste = ClipboardHasText() && !focused.readOnly;
    mnuPaste->setEnabled(paste);
    mnuPaste->setStatusTip(
        paste ? QStringLiteral("Insere o conteúdo da área de transferência na posição do ponto de inserção.")
        : focused.readOnly
            ? noTarget
            : QStringLiteral("Esse comando não está disponível porque não há nenhum texto na Área de Transferência."));
    if (!focused.hasSelection) {
        for (QAction* item : {mnuCut, mnuDelete, mnuCopy}) {
            item->setEnabled(false);
            item->setStatusTip(kNoSelection);
        }
        return;
    }
    mnuCopy->setEnabled(true);
    mnuCopy->setStatusTip(QStringLiteral("Copia o texto selecionado para a área de transferência."));
    // A read-only box gives its text away but takes nothing out of it.
    for (QAction* item : {mnuCut, mnuDelete}) {
        item->setEnabled(!focused.readOnly);
        if (focused.readOnly) item->setStatusTip(noTarget);
    }
    if (!focused.readOnly) {
        mnuDelete->setStatusTip(QStringLiteral("Remove o texto selecionado sem levá-lo para a Área de Transferência."));
        mnuCut->setStatusTip(QStringLiteral("Exclui o texto selecionado para a área de transferência."));
    }
}

// 0 cut, 1 copy, 2 paste, 3 clear the selection.
void TfrmMain::EditAction(int which) {
    QWidget* focus = QApplication::focusWidget();
    // The shortcuts reach here without the menu having been opened.
    mnuEditClick();
    const std::array<QAction*, 4> items = {mnuCut, mnuCopy, mnuPaste, mnuDelete};
    if (!items[static_cast<std::size_t>(which)]->isEnabled()) return;
    if (which == 2 && RefuseUnrepresentable(QApplication::clipboard()->text())) return;
    if (auto* edit = qobject_cast<QLineEdit*>(focus)) {
        switch (which) {
            case 0:
                edit->cut();
                break;
            case 1:
                edit->copy();
                break;
            case 2:
                edit->paste();
                break;
            default:
                edit->del();
                break;
        }
    } else if (auto* memo = qobject_cast<QPlainTextEdit*>(focus)) {
        switch (which) {
            case 0:
                memo->cut();
                break;
            case 1:
                memo->copy();
                break;
            case 2:
                memo->paste();
                break;
            default:
                memo->textCursor().removeSelectedText();
                break;
        }
    } else if (auto* rich = qobject_cast<QTextEdit*>(focus)) {
        switch (which) {
            case 0:
                rich->cut();
                break;
            case 1:
                rich->copy();
                break;
            case 2:
                rich->paste();
                break;
            default:
                rich->textCursor().removeSelectedText();
                break;
        }
    }
}

// ------------------------------------------------------ Show and System

void TfrmMain::mnuShowClick() {
    // A floating toolbar may have been closed by its own close box.
    const std::array<QAction*, 4> items = {mnuShowToolBoxFile, mnuShowToolBoxConsult, mnuShowToolBoxSystem,
                                           mnuShowToolBoxHelp};
    const auto bars = ToolBars();
    for (std::size_t i = 0; i < items.size(); ++i) {
        const QSignalBlocker quiet(items[i]);
        items[i]->setChecked(!bars[i]->isHidden());
    }
    const QSignalBlocker quiet(mnuShowStatus);
    mnuShowStatus->setChecked(!statusBar()->isHidden());
}

void TfrmMain::mnuSystemClick() {
    mnuSystemNewRule->setEnabled(btnNewRule->isEnabled());
    mnuSystemOpenRule->setEnabled(btnOpenRule->isEnabled());
    mnuSystemDelete->setEnabled(btnDelete->isEnabled());
    mnuSystemView->setEnabled(btnView->isEnabled());
}

std::array<TfrmMain::TBaseCommandItem, kBaseCommandCount> TfrmMain::BaseCommandButtons() const {
    return {{{btnNewRule, TBaseCommand::NewRule},
             {btnOpenRule, TBaseCommand::OpenRule},
             {btnDelete, TBaseCommand::Delete},
             {btnView, TBaseCommand::View},
             {btnVars, TBaseCommand::Vars},
             {btnTargets, TBaseCommand::Targets},
             {btnQuestions, TBaseCommand::Questions},
             {btnInfo, TBaseCommand::Info}}};
}

void TfrmMain::ForwardToBase(TBaseCommand which) {
    if (baseWindow_ && baseWindow_->CommandAvailable(which)) baseWindow_->Command(which)->trigger();
}

// ------------------------------------------------------------ Window menu

void TfrmMain::mnuWindowClick() {
    for (QAction* action : windowListActions_) {
        mnuWindow->removeAction(action);
        action->deleteLater();
    }
    windowListActions_.clear();
    const QList<QMdiSubWindow*> children = mdiArea_->subWindowList(QMdiArea::CreationOrder);
    if (children.isEmpty()) return;
    windowListActions_.append(mnuWindow->addSeparator());
    int number = 1;
    for (QMdiSubWindow* child : children) {
        auto* item = new QAction(QStringLiteral("&%1 %2").arg(number++).arg(child->windowTitle()), mnuWindow);
        item->setCheckable(true);
        item->setChecked(child == mdiArea_->activeSubWindow());
        item->setEnabled(child->isEnabled());
        QPointer<QMdiSubWindow> target(child);
        connect(item, &QAction::triggered, this, [this, target] {
            if (!target) return;
            if (target->isMinimized()) target->showNormal();
            mdiArea_->setActiveSubWindow(target);
        });
        mnuWindow->addAction(item);
        windowListActions_.append(item);
    }
}

// Horizontal tiling stacks the windows one above the other, each as wide as
// the workspace; vertical tiling puts them side by side.
void TfrmMain::ArrangeTiles(bool horizontal) {
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* child : mdiArea_->subWindowList(QMdiArea::StackingOrder))
        if (child->isVisible() && !child->isMinimized()) windows.append(child);
    if (windows.isEmpty()) return;
    const QRect area = mdiArea_->viewport()->rect();
    const int count = static_cast<int>(windows.size());
    for (int i = 0; i < count; ++i) {
        QMdiSubWindow* child = windows[i];
        if (child->isMaximized()) child->showNormal();
        QRect tile;
        if (horizontal) {
            const int top = area.height() * i / count;
            tile = QRect(0, top, area.width(), area.height() * (i + 1) / count - top);
        } else {
            const int left = area.width() * i / count;
            tile = QRect(left, 0, area.width() * (i + 1) / count - left, area.height());
        }
        // A window never gets smaller than it can be (its buttons would be
        // cut); such a tile grows and overlaps its neighbour, inside the area
        // as far as it fits.
        tile.setSize(tile.size().expandedTo(child->minimumSize().expandedTo(child->minimumSizeHint())));
        if (tile.right() > area.right()) tile.moveRight(std::max(area.right(), tile.width() - 1));
        if (tile.bottom() > area.bottom()) tile.moveBottom(std::max(area.bottom(), tile.height() - 1));
        child->setGeometry(tile);
    }
}

// Lines the minimised windows up along the bottom of the workspace.
void TfrmMain::ArrangeIcons() {
    const QRect area = mdiArea_->viewport()->rect();
    int left = 0;
    int bottom = area.height();
    for (QMdiSubWindow* child : mdiArea_->subWindowList(QMdiArea::CreationOrder)) {
        if (!child->isMinimized()) continue;
        const QSize size = child->size();
        if (left > 0 && left + size.width() > area.width()) {
            left = 0;
            bottom -= size.height();
        }
        child->move(left, bottom - size.height());
        left += size.width();
    }
}
