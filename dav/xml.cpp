#include "dav/xml.h"

#include <QXmlStreamReader>

namespace dav {

const Element* Element::child(const QString& n, const QString& nm) const
{
    for (const Element& e : children)
        if (e.is(n, nm))
            return &e;
    return nullptr;
}

QString Element::attribute(const QString& n) const
{
    for (const auto& [key, value] : attributes)
        if (key == n)
            return value;
    return {};
}

std::vector<const Element*> Element::all(const QString& n, const QString& nm) const
{
    std::vector<const Element*> list;
    for (const Element& e : children)
        if (e.is(n, nm))
            list.push_back(&e);
    return list;
}

std::optional<Element> parseXml(const QByteArray& bytes, QString* why)
{
    const auto refused = [why](const QString& reason) {
        if (why)
            *why = reason;
        return std::nullopt;
    };
    QXmlStreamReader reader(bytes);
    std::vector<Element> stack;
    std::optional<Element> root;
    qsizetype elements = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::DTD:
        case QXmlStreamReader::EntityReference:
            // A DTD is where entities are declared, and the reader would
            // expand them: no server's answer needs one.
            return refused(QStringLiteral("le serveur a répondu un XML qui déclare des entités "
                                          "(DTD) : Tarvelon le refuse"));
        case QXmlStreamReader::StartElement:
            if (stack.size() > 64)
                return refused(QStringLiteral("le serveur a répondu un XML imbriqué sans fin"));
            if (++elements > MaxElements)
                return refused(QStringLiteral("le serveur a répondu un XML de plus de %1 "
                                              "éléments : Tarvelon ne le lit pas")
                                   .arg(MaxElements));
            stack.push_back(
                {reader.namespaceUri().toString(), reader.name().toString(), {}, {}, {}});
            for (const QXmlStreamAttribute& a : reader.attributes())
                stack.back().attributes.emplace_back(a.name().toString(), a.value().toString());
            break;
        case QXmlStreamReader::Characters:
            if (!stack.empty())
                stack.back().text += reader.text();
            break;
        case QXmlStreamReader::EndElement: {
            Element done = std::move(stack.back());
            stack.pop_back();
            done.text = done.text.trimmed();
            if (stack.empty())
                root = std::move(done);
            else
                stack.back().children.push_back(std::move(done));
            break;
        }
        default:
            break;
        }
    }
    if (reader.hasError() || !root)
        return refused(QStringLiteral("le serveur a répondu un XML illisible"));
    return root;
}

const Element* ResponseItem::property(const QString& ns, const QString& name) const
{
    for (const auto& [status, p] : properties)
        if (status >= 200 && status < 300 && p.is(ns, name))
            return &p;
    return nullptr;
}

namespace {

// "HTTP/1.1 404 Not Found" → 404.
int statusOf(const QString& line)
{
    const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return words.size() >= 2 ? words[1].toInt() : 0;
}

} // namespace

std::optional<Multistatus> parseMultistatus(const QByteArray& bytes, const QUrl& requestUrl,
                                            QString* why)
{
    const std::optional<Element> root = parseXml(bytes, why);
    if (!root)
        return std::nullopt;
    if (!root->is(NsDav, QStringLiteral("multistatus"))) {
        if (why)
            *why = QStringLiteral("le serveur a répondu un XML qui n'est pas une réponse WebDAV");
        return std::nullopt;
    }
    if (const auto n = root->all(NsDav, QStringLiteral("response")).size();
        qsizetype(n) > MaxMembers) {
        if (why)
            *why = QStringLiteral("le serveur liste plus de %1 éléments dans une réponse : "
                                  "Tarvelon ne la lit pas")
                       .arg(MaxMembers);
        return std::nullopt;
    }
    Multistatus m;
    // A token no server needs that long is not kept: the next listing is a
    // whole one.
    if (const Element* token = root->child(NsDav, QStringLiteral("sync-token"));
        token && token->text.size() <= MaxTokenLength)
        m.token = token->text;
    for (const Element* r : root->all(NsDav, QStringLiteral("response"))) {
        const Element* href = r->child(NsDav, QStringLiteral("href"));
        if (!href)
            continue;
        ResponseItem member;
        member.url = requestUrl.resolved(QUrl(href->text));
        if (const Element* s = r->child(NsDav, QStringLiteral("status")))
            member.status = statusOf(s->text);
        for (const Element* ps : r->all(NsDav, QStringLiteral("propstat"))) {
            const Element* s = ps->child(NsDav, QStringLiteral("status"));
            const int status = s ? statusOf(s->text) : 200;
            if (const Element* prop = ps->child(NsDav, QStringLiteral("prop")))
                for (const Element& p : prop->children)
                    member.properties.emplace_back(status, p);
        }
        m.items.push_back(std::move(member));
    }
    return m;
}

bool sameResource(const QUrl& a, const QUrl& b)
{
    const auto path = [](const QUrl& u) {
        QString p = u.path(QUrl::FullyDecoded);
        if (p.endsWith(QLatin1Char('/')) && p.size() > 1)
            p.chop(1);
        return p;
    };
    return a.host().compare(b.host(), Qt::CaseInsensitive) == 0 && path(a) == path(b);
}

QByteArray escapeXml(const QString& text)
{
    return text.toHtmlEscaped().toUtf8();
}

} // namespace dav
