#include "dav/xml.h"

#include <QXmlStreamReader>

namespace dav {

const Element* Element::enfant(const QString& n, const QString& nm) const
{
    for (const Element& e : enfants)
        if (e.est(n, nm))
            return &e;
    return nullptr;
}

QString Element::attribut(const QString& n) const
{
    for (const auto& [cle, valeur] : attributs)
        if (cle == n)
            return valeur;
    return {};
}

std::vector<const Element*> Element::tous(const QString& n, const QString& nm) const
{
    std::vector<const Element*> liste;
    for (const Element& e : enfants)
        if (e.est(n, nm))
            liste.push_back(&e);
    return liste;
}

std::optional<Element> lireXml(const QByteArray& octets)
{
    QXmlStreamReader lecteur(octets);
    std::vector<Element> pile;
    std::optional<Element> racine;
    // No entity of the document is ever expanded beyond XML's own.
    while (!lecteur.atEnd()) {
        switch (lecteur.readNext()) {
        case QXmlStreamReader::StartElement:
            if (pile.size() > 64)
                return std::nullopt; // no answer is that deep
            pile.push_back(
                {lecteur.namespaceUri().toString(), lecteur.name().toString(), {}, {}, {}});
            for (const QXmlStreamAttribute& a : lecteur.attributes())
                pile.back().attributs.emplace_back(a.name().toString(), a.value().toString());
            break;
        case QXmlStreamReader::Characters:
            if (!pile.empty())
                pile.back().texte += lecteur.text();
            break;
        case QXmlStreamReader::EndElement: {
            Element fini = std::move(pile.back());
            pile.pop_back();
            fini.texte = fini.texte.trimmed();
            if (pile.empty())
                racine = std::move(fini);
            else
                pile.back().enfants.push_back(std::move(fini));
            break;
        }
        default:
            break;
        }
    }
    if (lecteur.hasError() || !racine)
        return std::nullopt;
    return racine;
}

const Element* Membre::propriete(const QString& ns, const QString& nom) const
{
    for (const auto& [statut, p] : proprietes)
        if (statut >= 200 && statut < 300 && p.est(ns, nom))
            return &p;
    return nullptr;
}

namespace {

// "HTTP/1.1 404 Not Found" → 404.
int statutDe(const QString& ligne)
{
    const QStringList mots = ligne.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return mots.size() >= 2 ? mots[1].toInt() : 0;
}

} // namespace

std::optional<Multistatus> lireMultistatus(const QByteArray& octets, const QUrl& requete)
{
    const std::optional<Element> racine = lireXml(octets);
    if (!racine || !racine->est(NsDav, QStringLiteral("multistatus")))
        return std::nullopt;
    Multistatus m;
    if (const Element* jeton = racine->enfant(NsDav, QStringLiteral("sync-token")))
        m.jeton = jeton->texte;
    for (const Element* r : racine->tous(NsDav, QStringLiteral("response"))) {
        const Element* href = r->enfant(NsDav, QStringLiteral("href"));
        if (!href)
            continue;
        Membre membre;
        membre.url = requete.resolved(QUrl(href->texte));
        if (const Element* s = r->enfant(NsDav, QStringLiteral("status")))
            membre.statut = statutDe(s->texte);
        for (const Element* ps : r->tous(NsDav, QStringLiteral("propstat"))) {
            const Element* s = ps->enfant(NsDav, QStringLiteral("status"));
            const int statut = s ? statutDe(s->texte) : 200;
            if (const Element* prop = ps->enfant(NsDav, QStringLiteral("prop")))
                for (const Element& p : prop->enfants)
                    membre.proprietes.emplace_back(statut, p);
        }
        m.membres.push_back(std::move(membre));
    }
    return m;
}

bool memeRessource(const QUrl& a, const QUrl& b)
{
    const auto chemin = [](const QUrl& u) {
        QString p = u.path(QUrl::FullyDecoded);
        if (p.endsWith(QLatin1Char('/')) && p.size() > 1)
            p.chop(1);
        return p;
    };
    return a.host().compare(b.host(), Qt::CaseInsensitive) == 0 && chemin(a) == chemin(b);
}

QByteArray echapperXml(const QString& texte)
{
    return texte.toHtmlEscaped().toUtf8();
}

} // namespace dav
