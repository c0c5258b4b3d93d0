#include "socle/schema.h"

#include "socle/proches.h"

#include <string>

namespace socle {

namespace {

// Each step brings a file from the version before it to its own. Version 1
// only declares the schema: the table Fetes as it always was. Version 2 adds
// the people beside it.
using Etape = int (*)(Database&);
constexpr Etape Etapes[SchemaVersion] = {
    [](Database&) { return int(SqliteOk); }, // 0 → 1
    creerTableProches,                       // 1 → 2
};

} // namespace

int lireVersion(Database& base, int& version)
{
    Statement lecture(base, "PRAGMA user_version");
    if (lecture.step() != SqliteRow)
        return lecture.code();
    version = int(lecture.columnInt64(0));
    return SqliteOk;
}

MiseANiveau mettreANiveau(Database& base)
{
    MiseANiveau m;
    if ((m.code = lireVersion(base, m.version)) != SqliteOk) {
        m.etat = MiseANiveau::Impossible;
        return m;
    }
    if (m.version == SchemaVersion)
        return m;
    if (m.version > SchemaVersion || m.version < 0) {
        m.etat = MiseANiveau::PlusRecent;
        return m;
    }
    Transaction transaction(base);
    int version = m.version;
    // Read again under the write lock: another program may have done it.
    int code = transaction.code();
    if (code == SqliteOk)
        code = lireVersion(base, version);
    for (int v = version; code == SqliteOk && v < SchemaVersion; ++v)
        code = Etapes[v](base);
    if (code == SqliteOk && version < SchemaVersion) {
        const std::string declaration = "PRAGMA user_version = " + std::to_string(SchemaVersion);
        if (!base.exec(declaration.c_str()))
            code = base.errorCode();
    }
    if (code == SqliteOk)
        code = transaction.commit();
    if (code != SqliteOk) {
        m.etat = MiseANiveau::Impossible;
        m.code = code;
    }
    return m;
}

} // namespace socle
