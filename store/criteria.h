#pragma once

#include "socle/fetes.h"
#include "store/like.h"

#include <QString>
#include <optional>
#include <string>

namespace store {

// The four text fields of the table Fetes.
using Field = socle::Champ;
constexpr int FieldCount = socle::NombreDeChamps;

QString fieldName(Field field);
// The year of a name day, as the table holds it.
QString nameDayYear();
// The field of a name, whatever its letter case ("annee" is Annee).
std::optional<Field> fieldFromName(QStringView name);

enum class Comparison { Equals, NotEquals, Like };

// A find criteria as a typed value: never text pasted into SQL, so a value
// with an apostrophe is an ordinary value.
struct Criterion {
    Field field;
    Comparison comparison;
    QString value;

    static Criterion equals(Field field, const QString& value)
    {
        return {field, Comparison::Equals, value};
    }
    static Criterion like(Field field, const QString& pattern)
    {
        return {field, Comparison::Like, pattern};
    }
    bool operator==(const Criterion&) const = default;
};

// A criteria ready to test many entries.
class Matcher {
public:
    explicit Matcher(const Criterion& criterion);
    bool matches(const socle::Fiche& fiche) const;

private:
    Field m_field;
    Comparison m_comparison;
    std::string m_value; // UTF-8
    std::optional<LikePattern> m_like;
};

// What a record set is opened on: its text (as the program names it) and the
// filter that text stands for.
struct RecordSource {
    QString text;
    std::optional<Criterion> filter;
};

// "Fetes": the whole table.
const RecordSource& sourceTable();
// The name days: "Select * from Fetes where annee = '0000'".
const RecordSource& sourceNameDays();
// The birthdays: "Select * from Fetes where annee <> '0000'".
const RecordSource& sourceBirthdays();

} // namespace store
