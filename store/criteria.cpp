#include "store/criteria.h"

QString fieldName(Field field)
{
    switch (field) {
    case Field::Nom:
        return QStringLiteral("Nom");
    case Field::Date:
        return QStringLiteral("Date");
    case Field::Annee:
        return QStringLiteral("Annee");
    case Field::MF:
        return QStringLiteral("MF");
    }
    return {};
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

Matcher::Matcher(const Criterion& criterion) : m_criterion(criterion)
{
    if (criterion.comparison == Comparison::Like)
        m_like.emplace(criterion.value);
}

bool Matcher::matches(const QString& value) const
{
    switch (m_criterion.comparison) {
    case Comparison::Equals:
        return value == m_criterion.value;
    case Comparison::NotEquals:
        return value != m_criterion.value;
    case Comparison::Like:
        return m_like->matches(value);
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
    static const RecordSource source{
        QStringLiteral("Select * from Fetes where annee = '0000'"),
        Criterion{Field::Annee, Comparison::Equals, QStringLiteral("0000")}};
    return source;
}

const RecordSource& sourceBirthdays()
{
    static const RecordSource source{
        QStringLiteral("Select * from Fetes where annee <> '0000'"),
        Criterion{Field::Annee, Comparison::NotEquals, QStringLiteral("0000")}};
    return source;
}
