#include "store/criteria.h"

namespace store {

QString nameDayYear()
{
    return QString::fromLatin1(socle::AnneeNomDeFete.data(),
                               qsizetype(socle::AnneeNomDeFete.size()));
}

QString fieldName(Field field)
{
    const std::string_view nom = socle::nomDuChamp(field);
    return QString::fromLatin1(nom.data(), qsizetype(nom.size()));
}

std::optional<Field> fieldFromName(QStringView name)
{
    for (int i = 0; i < FieldCount; ++i) {
        const auto field = Field(i);
        if (name.compare(fieldName(field), Qt::CaseInsensitive) == 0)
            return field;
    }
    return std::nullopt;
}

Matcher::Matcher(const Criterion& criterion)
    : m_field(criterion.field)
    , m_comparison(criterion.comparison)
    , m_value(criterion.value.toStdString())
{
    if (criterion.comparison == Comparison::Like)
        m_like.emplace(criterion.value);
}

bool Matcher::matches(const socle::Fiche& fiche) const
{
    const std::string& value = fiche[m_field];
    switch (m_comparison) {
    case Comparison::Equals:
        return value == m_value;
    case Comparison::NotEquals:
        return value != m_value;
    case Comparison::Like:
        return m_like->matchesUtf8(value);
    }
    return false;
}

const RecordSource& sourceTable()
{
    static const RecordSource source{QStringLiteral("Fetes"), std::nullopt};
    return source;
}

const RecordSource& sourceNameDays()
{
    static const RecordSource source{QStringLiteral("Select * from Fetes where annee = '0000'"),
                                     Criterion{Field::Annee, Comparison::Equals, nameDayYear()}};
    return source;
}

const RecordSource& sourceBirthdays()
{
    static const RecordSource source{QStringLiteral("Select * from Fetes where annee <> '0000'"),
                                     Criterion{Field::Annee, Comparison::NotEquals, nameDayYear()}};
    return source;
}

} // namespace store
