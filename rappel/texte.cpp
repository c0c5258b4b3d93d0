#include "rappel/texte.h"

#include "socle/texte.h"

namespace rappel {

namespace {

std::string ans(int age)
{
    return std::to_string(age) + (age == 1 ? " an" : " ans");
}

std::string quand(int dans)
{
    return dans == 1 ? "Demain" : "Dans " + std::to_string(dans) + " jours";
}

// "Paul (46 ans)", "Léa", "Auguste (29 février, 46 ans)".
std::string personne(const Element& e)
{
    std::string precision = e.du29Fevrier ? "29 février" : "";
    if (e.age)
        precision += (precision.empty() ? "" : ", ") + ans(*e.age);
    return texteSur(e.texte) + (precision.empty() ? "" : " (" + precision + ")");
}

// "de Léa", "d'Anne", "d'Élodie".
std::string deNom(const std::string& nom)
{
    static const char* const voyelles[] = {"A", "E", "I", "O", "U", "Y", "É", "È",
                                           "Ê", "À", "Â", "Î", "Ô", "Û", "Œ"};
    for (const char* v : voyelles)
        if (nom.rfind(v, 0) == 0)
            return "d'" + nom;
    return "de " + nom;
}

std::string enumeration(const std::vector<std::string>& mots)
{
    std::string texte;
    for (size_t i = 0; i < mots.size(); ++i)
        texte += (i == 0 ? "" : i + 1 == mots.size() ? " et " : ", ") + mots[i];
    return texte;
}

// "Georges Dupont, Georges Martin": the people's names, safe to print.
std::string liste(const std::vector<std::string>& noms)
{
    std::string texte;
    for (const std::string& nom : noms)
        texte += (texte.empty() ? "" : ", ") + texteSur(nom);
    return texte;
}

// The people of a day's name days, safe to print.
std::vector<std::string> prochesDu(const JourRappel& jour)
{
    std::vector<std::string> p;
    for (const Element& e : jour.elements)
        for (const std::string& nom : e.proches)
            p.push_back(texteSur(nom));
    return p;
}

} // namespace

std::string texteSur(std::string texte)
{
    return socle::terminalSafe(socle::truncated(std::move(texte), LongueurMaxTexte));
}

std::string titre(const JourRappel& jour)
{
    std::string texte = jourEnMots(jour.date);
    texte[0] = char(texte[0] - 'a' + 'A'); // weekdays are written in plain ASCII
    if (jour.dans == 1)
        texte += " (demain)";
    else if (jour.dans > 1)
        texte += " (dans " + std::to_string(jour.dans) + " jours)";
    return texte;
}

std::vector<std::string> lignes(const JourRappel& jour)
{
    std::vector<std::string> resultat;
    for (const Element& e : jour.elements) {
        const std::string du = e.du29Fevrier ? " du 29 février" : "";
        switch (e.sorte) {
        case Element::Fete:
            resultat.push_back("Fête" + du + " : " + texteSur(e.texte) +
                               (e.proches.empty() ? "" : " — " + liste(e.proches)));
            break;
        case Element::Proches:
            resultat.push_back("À souhaiter" + du + " : " + liste(e.proches));
            break;
        case Element::Anniversaire:
            resultat.push_back("Anniversaire" + du + " : " + texteSur(e.texte) +
                               (e.age ? ", " + ans(*e.age) : ""));
            break;
        case Element::Evenement:
            resultat.push_back("Événement" + du + " : " + texteSur(e.texte));
            break;
        }
    }
    if (resultat.empty())
        resultat.push_back("Rien à souhaiter ce jour.");
    return resultat;
}

std::optional<Notification> notification(const std::vector<JourRappel>& jours)
{
    std::vector<std::string> fetes, anniversaires, evenements, avenir;
    if (!jours.empty()) {
        for (const Element& e : jours.front().elements) {
            if (e.sorte == Element::Fete)
                fetes.push_back(texteSur(e.texte) + (e.du29Fevrier ? " (29 février)" : ""));
            else if (e.sorte == Element::Anniversaire)
                anniversaires.push_back(personne(e));
            else if (e.sorte == Element::Evenement)
                evenements.push_back(texteSur(e.texte));
        }
    }
    const std::vector<std::string> proches =
        jours.empty() ? std::vector<std::string>() : prochesDu(jours.front());
    for (size_t i = 1; i < jours.size(); ++i) {
        const std::vector<std::string> ceJourLa = prochesDu(jours[i]);
        if (!ceJourLa.empty())
            avenir.push_back(quand(jours[i].dans) + " : fête " + deNom(enumeration(ceJourLa)));
        for (const Element& e : jours[i].elements) {
            if (e.sorte == Element::Anniversaire)
                avenir.push_back(quand(jours[i].dans) + " : anniversaire " +
                                 deNom(texteSur(e.texte)) + (e.age ? ", " + ans(*e.age) : ""));
            else if (e.sorte == Element::Evenement)
                avenir.push_back(quand(jours[i].dans) + " : " + texteSur(e.texte));
        }
    }

    // The summary: the user's people first, else a birthday, else the day's
    // main name, else the event, else what comes next.
    std::vector<std::string> corps;
    Notification n;
    if (!proches.empty()) {
        n.resume = "Bonne fête à " + enumeration(proches) + " !";
        if (!anniversaires.empty())
            corps.push_back("Joyeux anniversaire à " + enumeration(anniversaires) + " !");
        if (!fetes.empty())
            corps.push_back("Fêtes du jour : " + enumeration(fetes));
    } else if (!anniversaires.empty()) {
        n.resume = "Joyeux anniversaire à " + enumeration(anniversaires) + " !";
        if (!fetes.empty())
            corps.push_back("Fêtes du jour : " + enumeration(fetes));
    } else if (!fetes.empty()) {
        n.resume = "Bonne fête aux " + fetes.front() + " !";
        if (fetes.size() > 1)
            corps.push_back("Fêtes du jour : " + enumeration(fetes));
    } else if (!evenements.empty()) {
        n.resume = "Aujourd'hui : " + evenements.front();
        evenements.erase(evenements.begin());
    } else if (!avenir.empty()) {
        n.resume = avenir.front();
        avenir.erase(avenir.begin());
    } else {
        return std::nullopt;
    }
    for (const std::string& e : evenements)
        corps.push_back("Aujourd'hui : " + e);
    corps.insert(corps.end(), avenir.begin(), avenir.end());
    for (const std::string& ligne : corps)
        n.corps += (n.corps.empty() ? "" : "\n") + ligne;
    return n;
}

} // namespace rappel
