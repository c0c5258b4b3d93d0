#include "commande/commande.h"

#include "commande/sortie.h"
#include "commande/verbes.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace commande {

namespace {

QString aide()
{
    return QStringLiteral(
        "Usage : tarvelon\n"
        "        tarvelon --importer FICHIER|DOSSIER\n"
        "        tarvelon --exporter FICHIER [--fetes|--anniversaires]\n"
        "        tarvelon --compte ADRESSE UTILISATEUR [--agenda NOM] [--carnet NOM]...\n"
        "                 [--publier-carnets] [--proches-publies oui|non]\n"
        "                 [--mot-de-passe-commande COMMANDE]\n"
        "                 [--rappel aucun|veille|jour] [--certificat EMPREINTE]\n"
        "        tarvelon --synchroniser [--oui|--non]\n"
        "        tarvelon --bureau oui|non\n"
        "        tarvelon --proches [AAAA-MM-JJ]\n"
        "Calendrier des fêtes et anniversaires à souhaiter. Sans option, ouvre la fenêtre.\n"
        "\n"
        "  --importer FICHIER  ajoute au calendrier les anniversaires d'un fichier de contacts\n"
        "                      (.vcf) ou les entrées d'un tableur (.csv) ou d'une base Access\n"
        "                      de l'ancien Tarvelon (.mdb, .accdb) ; ce qui y est déjà n'est\n"
        "                      pas ajouté deux fois\n"
        "  --importer DOSSIER  reprend l'ancienne installation (c:\\tarvelon) : sa base\n"
        "                      tarvelon.mdb, ses réglages tarvelon.inf si vous n'en avez pas\n"
        "                      encore, et les sons qu'ils nomment ; rien de ce que vous avez\n"
        "                      n'est remplacé\n"
        "  --exporter FICHIER  écrit un agenda (.ics), des contacts (.vcf, les anniversaires)\n"
        "                      ou un tableur (.csv, tout le calendrier)\n"
        "  --fetes             avec --exporter : les fêtes seulement\n"
        "  --anniversaires     avec --exporter : les anniversaires seulement\n"
        "  --compte ADRESSE UTILISATEUR\n"
        "                      le compte du serveur d'agendas (Nextcloud, Radicale...) : son\n"
        "                      adresse (ou votre adresse électronique) et votre nom ; le mot\n"
        "                      de passe est demandé puis gardé dans le trousseau du bureau\n"
        "  --agenda NOM        l'agenda où publier (créé s'il n'existe pas ; par défaut\n"
        "                      « Fêtes et anniversaires »)\n"
        "  --carnet NOM        un carnet d'adresses du compte dont les anniversaires sont\n"
        "                      suivis (une fois par carnet ; aucun contact n'y est écrit)\n"
        "  --publier-carnets   publie aussi dans l'agenda les anniversaires des carnets\n"
        "  --proches-publies oui|non\n"
        "                      nomme vos proches dans les fêtes de l'agenda (oui par défaut)\n"
        "  --mot-de-passe-commande COMMANDE\n"
        "                      une commande qui écrit le mot de passe (pass show ...)\n"
        "  --rappel QUAND      un rappel par événement : aucun, veille (18 h), jour (9 h)\n"
        "  --certificat EMPREINTE\n"
        "                      accepte le certificat d'un serveur (empreinte SHA-256)\n"
        "  --synchroniser      publie le calendrier sur le serveur et suit les carnets\n"
        "  --oui, --non        avec --synchroniser : l'agenda tient les fêtes et anniversaires\n"
        "                      d'un autre Tarvelon (votre autre ordinateur) : les ajouter au\n"
        "                      calendrier et les tenir à jour, ou publier sans eux\n"
        "  --bureau oui|non    montre les fêtes et anniversaires dans le calendrier du bureau\n"
        "                      (GNOME Agenda, le calendrier de l'horloge), ou les en retire\n"
        "  --proches [AAAA-MM-JJ]\n"
        "                      vos proches, un par ligne, séparés par des tabulations : nom,\n"
        "                      jour de fête, prénom fêté, anniversaire, provenance, à souhaiter\n"
        "                      (oui, non) ; avec un jour, ceux à souhaiter ce jour-là\n"
        "  --help              affiche cette aide\n"
        "  --version           affiche la version\n"
        "\n"
        "Calendrier : ~/.local/share/tarvelon/tarvelon.db.\n"
        "Code de sortie : 0 réussi, 1 fichier illisible ou impossible à écrire, serveur ou\n"
        "réseau qui refuse (rien n'est changé), 2 option incorrecte.");
}

// The options, and the verb each belongs to.
struct Options {
    QCommandLineOption importer{QStringLiteral("importer"), {}, QStringLiteral("FICHIER")};
    QCommandLineOption exporter{QStringLiteral("exporter"), {}, QStringLiteral("FICHIER")};
    QCommandLineOption fetes{QStringLiteral("fetes")};
    QCommandLineOption anniversaires{QStringLiteral("anniversaires")};
    QCommandLineOption compte{QStringLiteral("compte"), {}, QStringLiteral("ADRESSE")};
    QCommandLineOption agenda{QStringLiteral("agenda"), {}, QStringLiteral("NOM")};
    QCommandLineOption carnet{QStringLiteral("carnet"), {}, QStringLiteral("NOM")};
    QCommandLineOption publierCarnets{QStringLiteral("publier-carnets")};
    QCommandLineOption prochesPublies{
        QStringLiteral("proches-publies"), {}, QStringLiteral("OUI|NON")};
    QCommandLineOption commandeMotDePasse{
        QStringLiteral("mot-de-passe-commande"), {}, QStringLiteral("COMMANDE")};
    QCommandLineOption rappel{QStringLiteral("rappel"), {}, QStringLiteral("QUAND")};
    QCommandLineOption certificat{QStringLiteral("certificat"), {}, QStringLiteral("EMPREINTE")};
    QCommandLineOption synchroniser{QStringLiteral("synchroniser")};
    QCommandLineOption oui{QStringLiteral("oui")};
    QCommandLineOption non{QStringLiteral("non")};
    QCommandLineOption proches{QStringLiteral("proches")};
    QCommandLineOption bureau{QStringLiteral("bureau"), {}, QStringLiteral("OUI|NON")};
    // The window standing on an entry (the desktop's search): not in the help.
    QCommandLineOption fiche{QStringLiteral("fiche"), {}, QStringLiteral("ID")};
    QCommandLineOption aide{QStringLiteral("help")};
    QCommandLineOption version{QStringLiteral("version")};

    QList<QCommandLineOption> toutes() const
    {
        return {importer,
                exporter,
                fetes,
                anniversaires,
                compte,
                agenda,
                carnet,
                publierCarnets,
                prochesPublies,
                commandeMotDePasse,
                rappel,
                certificat,
                synchroniser,
                oui,
                non,
                proches,
                bureau,
                fiche,
                aide,
                version};
    }
    // Whether an option that goes with --compte only was given.
    bool unDuCompte(const QCommandLineParser& parser) const
    {
        for (const QCommandLineOption* o : {&agenda, &carnet, &publierCarnets, &prochesPublies,
                                            &commandeMotDePasse, &rappel, &certificat})
            if (parser.isSet(*o))
                return true;
        return false;
    }
};

// The options the window's toolkit takes (-style fusion, -platform xcb...):
// they start the window as before.
QList<QCommandLineOption> optionsDuBureau()
{
    QList<QCommandLineOption> options;
    for (const char* nom : {"platform", "platformpluginpath", "platformtheme", "plugin",
                            "qwindowgeometry", "qwindowicon", "qwindowtitle", "display", "geometry",
                            "style", "stylesheet", "session", "title"}) {
        QCommandLineOption o(QString::fromLatin1(nom), {}, QStringLiteral("VALEUR"));
        o.setFlags(QCommandLineOption::HiddenFromHelp);
        options << o;
    }
    for (const char* nom : {"reverse", "widgetcount", "nograb", "dograb", "sync"}) {
        QCommandLineOption o{QString::fromLatin1(nom)};
        o.setFlags(QCommandLineOption::HiddenFromHelp);
        options << o;
    }
    return options;
}

QString nomDOption(const QString& nom)
{
    return (nom.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + nom;
}

// What the parser could not take: an option it does not know, or one whose
// value is missing (it can only be the last argument).
int refus(const QCommandLineParser& parser, const QStringList& arguments)
{
    if (!parser.unknownOptionNames().isEmpty())
        return usage(QStringLiteral("option inconnue « %1 »")
                         .arg(nomDOption(parser.unknownOptionNames().constFirst())));
    const QString option = arguments.isEmpty() ? QString() : arguments.constLast();
    if (option == QLatin1String("--importer") || option == QLatin1String("--exporter"))
        return usage(QStringLiteral("l'option « %1 » attend un fichier").arg(option));
    if (option == QLatin1String("--compte"))
        return usage(
            QStringLiteral("--compte attend l'adresse du serveur et le nom d'utilisateur"));
    return usage(QStringLiteral("l'option « %1 » attend une valeur").arg(option));
}

std::optional<synchro::Rappel> lireRappel(const QString& valeur)
{
    if (valeur == QLatin1String("aucun"))
        return synchro::Rappel::Aucun;
    if (valeur == QLatin1String("veille"))
        return synchro::Rappel::Veille;
    if (valeur == QLatin1String("jour"))
        return synchro::Rappel::Jour;
    return std::nullopt;
}

// The account and the runs talk to the network and the keyring: they need
// an application, never a display.
int avecApplication(const std::function<int()>& verbe)
{
    static int argc = 1;
    static char nom[] = "tarvelon";
    static char* argv[] = {nom, nullptr};
    QCoreApplication application(argc, argv);
    return verbe();
}

int compteEtSynchronisation(const QCommandLineParser& parser, const Options& o)
{
    const bool synchro = parser.isSet(o.synchroniser);
    if (parser.isSet(o.oui) && parser.isSet(o.non))
        return usage(QStringLiteral("--oui et --non ne vont pas ensemble"));
    if ((parser.isSet(o.oui) || parser.isSet(o.non)) && !synchro)
        return usage(QStringLiteral("--oui et --non vont avec --synchroniser"));
    std::optional<bool> reponse;
    if (parser.isSet(o.oui) || parser.isSet(o.non))
        reponse = parser.isSet(o.oui);
    if (!parser.isSet(o.compte)) {
        if (!synchro || o.unDuCompte(parser))
            return usage(QStringLiteral("--agenda, --carnet, --publier-carnets, --proches-publies, "
                                        "--rappel, --certificat et --mot-de-passe-commande vont "
                                        "avec --compte"));
        if (!parser.positionalArguments().isEmpty())
            return usage(QStringLiteral("option inconnue « %1 »")
                             .arg(parser.positionalArguments().constFirst()));
        return avecApplication([reponse] { return synchroniser(reponse); });
    }
    const QStringList reste = parser.positionalArguments();
    if (reste.isEmpty())
        return usage(
            QStringLiteral("--compte attend l'adresse du serveur et le nom d'utilisateur"));
    if (reste.size() > 1)
        return usage(QStringLiteral("option inconnue « %1 »").arg(reste[1]));
    DemandeCompte demande;
    demande.adresse = parser.value(o.compte);
    demande.utilisateur = reste.constFirst();
    if (parser.isSet(o.agenda))
        demande.agenda = parser.value(o.agenda);
    if (parser.isSet(o.commandeMotDePasse))
        demande.commandeMotDePasse = parser.value(o.commandeMotDePasse);
    if (parser.isSet(o.rappel)) {
        demande.rappel = lireRappel(parser.value(o.rappel));
        if (!demande.rappel)
            return usage(QStringLiteral("--rappel attend aucun, veille ou jour"));
    }
    for (const QString& e : parser.values(o.certificat))
        demande.empreintes << e.toUpper();
    demande.carnets = parser.values(o.carnet);
    demande.publierCarnets = parser.isSet(o.publierCarnets);
    if (parser.isSet(o.prochesPublies)) {
        const QString v = parser.value(o.prochesPublies);
        if (v != QLatin1String("oui") && v != QLatin1String("non"))
            return usage(QStringLiteral("--proches-publies attend oui ou non"));
        demande.prochesPublies = v == QLatin1String("oui");
    }
    return avecApplication([&] {
        const int code = compte(demande);
        return code != 0 || !synchro ? code : synchroniser(reponse);
    });
}

int echanges(const QCommandLineParser& parser, const Options& o)
{
    const QStringList fichiers = parser.values(o.importer) + parser.values(o.exporter);
    if (!parser.positionalArguments().isEmpty())
        return usage(QStringLiteral("option inconnue « %1 »")
                         .arg(parser.positionalArguments().constFirst()));
    if (fichiers.size() > 1)
        return usage(QStringLiteral("un seul fichier à importer ou à exporter à la fois"));
    if (parser.isSet(o.fetes) && parser.isSet(o.anniversaires))
        return usage(QStringLiteral("--fetes et --anniversaires ne vont pas ensemble"));
    const bool selection = parser.isSet(o.fetes) || parser.isSet(o.anniversaires);
    if (fichiers.isEmpty() || (parser.isSet(o.importer) && selection))
        return usage(QStringLiteral("--fetes et --anniversaires vont avec --exporter"));
    if (parser.isSet(o.importer))
        return importer(fichiers.constFirst());
    return exporter(fichiers.constFirst(), parser.isSet(o.fetes) ? socle::Selection::Fetes
                                           : selection           ? socle::Selection::Anniversaires
                                                                 : socle::Selection::Tout);
}

} // namespace

namespace {

void messageDeQt(QtMsgType sorte, const QMessageLogContext&, const QString& message)
{
    static const bool montrer = qEnvironmentVariableIntValue("TARVELON_DEBUG") > 0;
    if (montrer)
        std::fprintf(stderr, "%s\n", qPrintable(message));
    if (sorte == QtFatalMsg) {
        std::fputs("tarvelon : erreur interne, Tarvelon s'arrête (TARVELON_DEBUG=1 en dit "
                   "plus).\n",
                   stderr);
        std::abort();
    }
}

} // namespace

void garderLesMessagesDeQt()
{
    qInstallMessageHandler(messageDeQt);
}

std::optional<int> sansEcran()
{
    const QByteArray plateforme = qgetenv("QT_QPA_PLATFORM");
    const bool ecran = !qEnvironmentVariableIsEmpty("DISPLAY") ||
                       !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
                       (!plateforme.isEmpty() && !plateforme.startsWith("xcb") &&
                        !plateforme.startsWith("wayland"));
    if (ecran)
        return std::nullopt;
    return echec(QStringLiteral("aucun écran n'est disponible (ni X11 ni Wayland) : lancez "
                                "Tarvelon dans une session graphique, ou utilisez ses options "
                                "sans fenêtre (tarvelon --aide)."));
}

namespace {

// Every option known, the toolkit's too; false when the arguments cannot be
// read.
bool analyser(QCommandLineParser& parser, const Options& o, const QStringList& arguments)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(o.toutes());
    parser.addOptions(optionsDuBureau());
    return parser.parse(QStringList{QStringLiteral("tarvelon")} + arguments);
}

} // namespace

std::optional<int> executer(const QStringList& arguments)
{
    const Options o;
    QCommandLineParser parser;
    if (!analyser(parser, o, arguments))
        return refus(parser, arguments);
    if (parser.isSet(o.aide)) {
        ecrire(stdout, aide());
        return 0;
    }
    if (parser.isSet(o.version)) {
        ecrire(stdout, QStringLiteral("tarvelon " TARVELON_VERSION));
        return 0;
    }

    const bool echange = parser.isSet(o.importer) || parser.isSet(o.exporter) ||
                         parser.isSet(o.fetes) || parser.isSet(o.anniversaires);
    const bool serveur = parser.isSet(o.compte) || parser.isSet(o.synchroniser) ||
                         parser.isSet(o.oui) || parser.isSet(o.non) || o.unDuCompte(parser);
    if (echange && serveur)
        return usage(QStringLiteral("--importer et --exporter ne vont pas avec --compte ni "
                                    "--synchroniser"));
    if (parser.isSet(o.fiche) &&
        (echange || serveur || parser.isSet(o.bureau) || parser.isSet(o.proches) ||
         !parser.positionalArguments().isEmpty()))
        return usage(QStringLiteral("--fiche va seul"));
    if (parser.isSet(o.bureau)) {
        const QString v = parser.value(o.bureau);
        if (echange || serveur || parser.isSet(o.proches) ||
            !parser.positionalArguments().isEmpty())
            return usage(QStringLiteral("--bureau va seul"));
        if (v != QLatin1String("oui") && v != QLatin1String("non"))
            return usage(QStringLiteral("--bureau attend oui ou non"));
        return avecApplication([oui = v == QLatin1String("oui")] { return afficherAuBureau(oui); });
    }
    if (parser.isSet(o.proches)) {
        const QStringList reste = parser.positionalArguments();
        if (echange || serveur)
            return usage(QStringLiteral("--proches va seul"));
        const QDate jour =
            reste.isEmpty() ? QDate()
                            : QDate::fromString(reste.constFirst(), QStringLiteral("yyyy-MM-dd"));
        if (reste.size() > 1 || (!reste.isEmpty() && !jour.isValid()))
            return usage(QStringLiteral("--proches attend un jour écrit AAAA-MM-JJ"));
        return listerProches(reste.isEmpty() ? std::nullopt : std::optional<QDate>(jour));
    }
    if (echange)
        return echanges(parser, o);
    if (serveur)
        return compteEtSynchronisation(parser, o);
    return std::nullopt; // the window
}

std::optional<QString> ficheAMontrer(const QStringList& arguments)
{
    const Options o;
    QCommandLineParser parser;
    if (!analyser(parser, o, arguments) || !parser.isSet(o.fiche))
        return std::nullopt;
    return parser.value(o.fiche);
}

} // namespace commande
