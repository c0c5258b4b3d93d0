#include "windows/main/tarvelon.h"

#include "platform/fenetres.h"
#include "platform/help.h"
#include "platform/messagebox.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QIcon>
#include <QImage>
#include <QMenu>
#include <QPixmap>
#include <QShortcut>
#include <QTimer>

// Resources are registered outside any namespace.
static void initIconeResource()
{
    Q_INIT_RESOURCE(icone);
}

namespace windows {

using namespace store;

using namespace platform;

namespace {

template <typename T> T* nomme(T* control, const QString& name)
{
    control->setObjectName(name);
    return control;
}

QString indice(const char* name, int index)
{
    return QString::fromLatin1(name) + QLatin1Char('_') + QString::number(index);
}

QLineEdit* boite(QWidget* parent, const QString& name, QRect geometry, int longueur,
                 const QString& accessible)
{
    auto* box = nomme(new QLineEdit(parent), name);
    box->setGeometry(geometry);
    if (longueur > 0)
        box->setMaxLength(longueur);
    box->setAccessibleName(accessible);
    return box;
}

} // namespace

Tarvelon::Tarvelon(QWidget* parent) : QWidget(parent, Qt::Window)
{
    initIconeResource();
    setObjectName(QStringLiteral("Tarvelon"));
    setWindowTitle(QStringLiteral("Fêtes à Souhaiter"));
    // PNG named: no probing of every image plugin at start.
    setWindowIcon(QIcon(QPixmap::fromImage(QImage(QStringLiteral(":/icone/tarvelon.png"), "PNG"))));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(classicFont(QStringLiteral("MS Sans Serif"), 8.25));
    setFixedSize(twips(3630), twips(3795));

    Data1 = nomme(new DataSource(this), QStringLiteral("Data1"));
    creerControles();
    relierEvenements();
}

// The control tree as designed: the entry panel, the command column, the list
// area, the search bar and the bottom row.
void Tarvelon::creerControles()
{
    SSPanel2 = nomme(new SSPanel(this), QStringLiteral("SSPanel2"));
    SSPanel2->setGeometry(twipsRect(60, 60, 3495, 915));

    const char* legendes[4] = {"Prénom", "Date", "", "Prénoms associés"};
    for (int i = 0; i < 4; ++i)
        Label1[size_t(i)] = nomme(new Label(QString::fromUtf8(legendes[i])), indice("Label1", i));
    Label1[0]->setParent(SSPanel2);
    Label1[0]->setGeometry(twipsRect(60, 180, 855, 195));
    Text1[0] = boite(SSPanel2, indice("Text1", 0), twipsRect(960, 120, 1455, 315), 30,
                     QStringLiteral("Prénom"));
    Text1[2] = boite(SSPanel2, indice("Text1", 2), twipsRect(180, 120, 255, 315), 1,
                     QStringLiteral("Sexe"));
    Text1[2]->hide();
    Label2 = nomme(new Label(QString(), SSPanel2), QStringLiteral("Label2"));
    Label2->setGeometry(twipsRect(2460, 120, 915, 315));
    Label2->setAlignment(Qt::AlignCenter);
    Label2->setFont(classicFont(QStringLiteral("Times New Roman"), 12));
    setForeColor(Label2, QColor(128, 0, 0));
    Label1[1]->setParent(SSPanel2);
    Label1[1]->setGeometry(twipsRect(60, 540, 555, 195));
    Text1[1] = boite(SSPanel2, indice("Text1", 1), twipsRect(600, 480, 735, 315), 5,
                     QStringLiteral("Date"));
    Text3 = boite(SSPanel2, QStringLiteral("Text3"), twipsRect(1140, 480, 495, 315), 4,
                  QStringLiteral("Année"));
    Text3->hide();
    Label1[2]->setParent(SSPanel2);
    Label1[2]->setGeometry(twipsRect(1680, 540, 1695, 255));
    Label1[2]->setAlignment(Qt::AlignCenter);
    Label1[2]->hide();
    SSOption1[0] = nomme(new SSOption(QStringLiteral("Sainte"), SSPanel2), indice("SSOption1", 0));
    SSOption1[0]->setGeometry(twipsRect(1860, 480, 735, 195));
    SSOption1[1] = nomme(new SSOption(QStringLiteral("Saint"), SSPanel2), indice("SSOption1", 1));
    SSOption1[1]->setGeometry(twipsRect(1860, 660, 795, 195));
    // The captions of the options need a little more than designed here; the
    // space on their right is free.
    for (SSOption* option : SSOption1)
        option->resize(std::max(option->width(), option->sizeHint().width()), option->height());

    SSPanel1 = nomme(new SSPanel(this), QStringLiteral("SSPanel1"));
    SSPanel1->setGeometry(twipsRect(1860, 1080, 1695, 1755));
    struct Bouton {
        int index;
        const char* legende;
        int left, top, width, height;
    };
    const Bouton navigation[4] = {{1, "Préc.", 120, 120, 675, 255},
                                  {0, "Suiv.", 900, 120, 675, 255},
                                  {2, "Prem.", 120, 420, 675, 255},
                                  {3, "Dern.", 900, 420, 675, 255}};
    for (const Bouton& b : navigation) {
        auto* bouton = nomme(new SSCommand(QString::fromUtf8(b.legende), SSPanel1),
                             indice("SSCommand2", b.index));
        bouton->setGeometry(twipsRect(b.left, b.top, b.width, b.height));
        SSCommand2[size_t(b.index)] = bouton;
    }
    SSCommand5 = nomme(new SSCommand(QStringLiteral("Anniversaires"), SSPanel1),
                       QStringLiteral("SSCommand5"));
    SSCommand5->setGeometry(twipsRect(120, 720, 1455, 255));
    setForeColor(SSCommand5, QColor(0, 0, 128));
    const Bouton edition[7] = {
        {0, "Ajouter", 120, 1020, 1455, 315}, {1, "Supprimer", 120, 1320, 1455, 315},
        {2, "Quitter", 2640, 3420, 915, 315}, {3, "Valider", 120, 1020, 1455, 315},
        {4, "Annuler", 120, 1320, 1455, 315}, {5, "Copier", 60, 3420, 735, 315},
        {6, "Noms.txt", 840, 3420, 855, 315}};
    for (const Bouton& b : edition) {
        QWidget* conteneur =
            (b.index == 2 || b.index >= 5) ? static_cast<QWidget*>(this) : SSPanel1;
        auto* bouton = nomme(new SSCommand(QString::fromUtf8(b.legende), conteneur),
                             indice("SSCommand1", b.index));
        bouton->setGeometry(twipsRect(b.left, b.top, b.width, b.height));
        SSCommand1[size_t(b.index)] = bouton;
    }
    setForeColor(SSCommand1[3], QColor(0, 0, 255));
    setForeColor(SSCommand1[4], QColor(255, 0, 0));
    SSCommand1[3]->hide();
    SSCommand1[4]->hide();

    Label1[3]->setParent(this);
    Label1[3]->setGeometry(twipsRect(120, 1020, 1695, 195));
    SSPanel4 = nomme(new SSPanel(this), QStringLiteral("SSPanel4"));
    SSPanel4->setGeometry(twipsRect(120, 1260, 1695, 1590));
    SSPanel4->setCaptionAtTop(true);
    List1 = nomme(new QListWidget(SSPanel4), QStringLiteral("List1"));
    List1->setGeometry(twipsRect(60, 240, 1575, 1230));
    List1->setAccessibleName(QStringLiteral("Liste"));

    SSPanel3 = nomme(new SSPanel(this), QStringLiteral("SSPanel3"));
    SSPanel3->setGeometry(twipsRect(120, 2880, 3435, 435));
    Text2 = boite(SSPanel3, QStringLiteral("Text2"), twipsRect(60, 60, 2055, 315), 0,
                  QStringLiteral("Recherche"));
    SSCommand3 =
        nomme(new SSCommand(QStringLiteral("Rechercher"), SSPanel3), QStringLiteral("SSCommand3"));
    SSCommand3->setGeometry(twipsRect(2220, 60, 1095, 315));

    SSCommand4 =
        nomme(new SSCommand(QStringLiteral("A Propos"), this), QStringLiteral("SSCommand4"));
    SSCommand4->setGeometry(twipsRect(1740, 3420, 855, 315));

    // Labels and panels take no focus; the others follow their tab indexes.
    for (QWidget* w :
         std::initializer_list<QWidget*>{Label1[0], Label1[1], Label1[2], Label1[3], Label2,
                                         SSPanel1, SSPanel2, SSPanel3, SSPanel4})
        w->setFocusPolicy(Qt::NoFocus);
    const std::initializer_list<QWidget*> tabulation = {
        SSCommand1[0], SSOption1[0], SSOption1[1],  SSCommand2[0], SSCommand2[1], SSCommand2[2],
        SSCommand2[3], SSCommand3,   SSCommand1[1], SSCommand1[2], Text1[0],      Text1[1],
        Text3,         Text2,        Text1[2],      SSCommand1[3], SSCommand1[4], SSCommand1[5],
        List1,         SSCommand4,   SSCommand5,    SSCommand1[6]};
    QWidget* precedent = nullptr;
    for (QWidget* w : tabulation) {
        if (precedent)
            setTabOrder(precedent, w);
        precedent = w;
    }

    Data1->bind(Field::Nom, Text1[0]);
    Data1->bind(Field::Date, Text1[1]);
    Data1->bind(Field::MF, Text1[2]);
    Data1->bind(Field::Annee, Text3);
}

// The event map: one handler per control array, told the member's index.
void Tarvelon::relierEvenements()
{
    m_groupeSSCommand1 = new QButtonGroup(this);
    for (int i = 0; i < int(SSCommand1.size()); ++i)
        m_groupeSSCommand1->addButton(SSCommand1[size_t(i)], i);
    connect(m_groupeSSCommand1, &QButtonGroup::idClicked, this, &Tarvelon::SSCommand1_Click);

    m_groupeSSCommand2 = new QButtonGroup(this);
    for (int i = 0; i < int(SSCommand2.size()); ++i)
        m_groupeSSCommand2->addButton(SSCommand2[size_t(i)], i);
    connect(m_groupeSSCommand2, &QButtonGroup::idClicked, this, &Tarvelon::SSCommand2_Click);

    connect(SSCommand3, &QPushButton::clicked, this, &Tarvelon::SSCommand3_Click);
    connect(SSCommand4, &QPushButton::clicked, this, &Tarvelon::SSCommand4_Click);
    connect(SSCommand5, &QPushButton::clicked, this, &Tarvelon::SSCommand5_Click);
    for (int i = 0; i < 2; ++i)
        connect(SSOption1[size_t(i)], &QAbstractButton::clicked, this,
                [this, i](bool value) { SSOption1_Click(i, value); });
    for (int i = 0; i < 4; ++i)
        connect(Label1[size_t(i)], &Label::clicked, this, [this, i] { Label1_Click(i); });
    connect(Label2, &Label::clicked, this, &Tarvelon::Label2_Click);

    auto* aide = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(aide, &QShortcut::activated, this, [] { openHelp(helpFile(), 0); });
}

bool Tarvelon::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        Form_Activate();
    return QWidget::event(event);
}

// A session without a window manager may never activate the window by
// itself: ask for it, and start anyway shortly after the first showing.
void Tarvelon::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!PremiereActivation)
        return;
    QTimer::singleShot(0, this, [this] { activate(this); });
    QTimer::singleShot(500, this, &Tarvelon::Form_Activate);
}

// Closing the window ends the program. What was typed into the shown entry is
// stored first, as leaving the entry would; nothing else is written. When
// that store is refused, the user chooses: quit without it, or stay (the
// default) with the typed text still on screen.
void Tarvelon::closeEvent(QCloseEvent* event)
{
    const DataSource::Action action(*Data1);
    StoreFailure echec;
    if (!Data1->submit(&echec) &&
        msgBox(causeDuRefus(echec) + LineBreak +
                   QStringLiteral("Quitter sans enregistrer ce que vous avez tapé ?"),
               MbYesNoQuestion | MbDefaultButton2) != AnswerYes) {
        event->ignore();
        return;
    }
    event->accept();
}

void Tarvelon::ajouterAuMenu(EntreesDeMenu groupe)
{
    m_menu.push_back(std::move(groupe));
}

void Tarvelon::ajouterCaseAuMenu(CaseDeMenu laCase)
{
    m_cases.push_back(std::move(laCase));
}

// Only once no control has taken it: the boxes keep their own menu.
void Tarvelon::contextMenuEvent(QContextMenuEvent* event)
{
    if (m_menu.empty() && m_cases.empty()) {
        event->ignore();
        return;
    }
    QMenu menu(this);
    for (const EntreesDeMenu& groupe : m_menu) {
        if (!menu.isEmpty())
            menu.addSeparator();
        for (const auto& [titre, action] : groupe)
            connect(menu.addAction(titre), &QAction::triggered, this, action);
    }
    if (!m_cases.empty() && !menu.isEmpty())
        menu.addSeparator();
    for (const CaseDeMenu& laCase : m_cases) {
        QAction* a = menu.addAction(laCase.titre);
        a->setCheckable(true);
        a->setChecked(laCase.cochee());
        connect(a, &QAction::toggled, this, laCase.changer);
    }
    menu.exec(event->globalPos());
}

} // namespace windows
