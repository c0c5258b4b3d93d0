// The old database's import at 1,500 rows: an Access 2002-2003 file whose
// table Fetes holds 56 copies of the 27 rows of the test file (its data page
// repeated at the end of the file and marked in the table's usage bitmap:
// no program available here writes larger Access files), imported into a fresh
// empty calendar, median of a few runs (goal under 50 ms), and the part of
// it that is the reader's process.
#include "ancien/ancien.h"
#include "mesure.h"
#include "socle/fetes.h"

#include <glib.h>
// libmdb's header needs glib's first.
#include <mdbtools.h>

#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <strings.h>

namespace {

constexpr int Copies = 55;

std::uint32_t lire32(const QByteArray& b, qsizetype i)
{
    return std::uint32_t(std::uint8_t(b[i])) | std::uint32_t(std::uint8_t(b[i + 1])) << 8 |
           std::uint32_t(std::uint8_t(b[i + 2])) << 16 | std::uint32_t(std::uint8_t(b[i + 3])) << 24;
}

// The test file with its one data page repeated; false when its layout is
// not the one expected.
bool agrandir(const QString& source, const QString& cible)
{
    QFile f(source);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    QByteArray octets = f.readAll();
    MdbHandle* mdb = mdb_open(QFile::encodeName(source).constData(), MDB_NOFLAGS);
    if (!mdb || !mdb_read_catalog(mdb, MDB_TABLE))
        return false;
    MdbCatalogEntry* entree = nullptr;
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (e->object_type == MDB_TABLE && strcasecmp(e->object_name, "Fetes") == 0)
            entree = e;
    }
    const int page = mdb->fmt->pg_size;
    const qsizetype tdef = qsizetype(entree->table_pg) * page;
    // The usage map: a row pointed at by the table's definition.
    const std::uint32_t pointeur = lire32(octets, tdef + mdb->fmt->tab_usage_map_offset);
    const qsizetype pageCarte = qsizetype(pointeur >> 8) * page;
    const int rang = int(pointeur & 0xFF);
    const int debut = (std::uint8_t(octets[pageCarte + mdb->fmt->row_count_offset + 2 + 2 * rang]) |
                       std::uint8_t(octets[pageCarte + mdb->fmt->row_count_offset + 3 + 2 * rang])
                           << 8) &
                      0x1FFF;
    const qsizetype carte = pageCarte + debut;
    mdb_close(mdb);
    // A map of type 1: the pages that hold its bitmap, the first covering
    // pages 0 to (page size - 4) x 8.
    if (octets[carte] != 1)
        return false;
    const qsizetype bits = qsizetype(lire32(octets, carte + 1)) * page + 4;
    const auto marquee = [&](std::uint32_t p) {
        return std::uint8_t(octets[bits + p / 8]) & (1 << (p % 8));
    };
    std::uint32_t donnees = 0;
    while (donnees < std::uint32_t(octets.size() / page) && !marquee(donnees))
        ++donnees;
    const QByteArray pageDonnees = octets.mid(qsizetype(donnees) * page, page);
    for (int c = 0; c < Copies; ++c) {
        const std::uint32_t numero = std::uint32_t(octets.size() / page);
        octets[bits + numero / 8] = char(std::uint8_t(octets[bits + numero / 8]) | 1 << (numero % 8));
        octets += pageDonnees;
    }
    QFile sortie(cible);
    return sortie.open(QIODevice::WriteOnly) && sortie.write(octets) == octets.size();
}

} // namespace

int main(int argc, char* argv[])
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 9;
    ancien::lecteurSlot() = TARVELON_LECTEUR;
    QTemporaryDir dir;
    const QString fichier = dir.filePath(QStringLiteral("tarvelon.mdb"));
    if (!agrandir(QStringLiteral(TARVELON_DONNEES "/mdb/tarvelon-2003.mdb"), fichier)) {
        std::fprintf(stderr, "the test file's layout is not the one expected\n");
        return 1;
    }
    std::vector<double> lecture, import;
    std::size_t lignes = 0;
    for (int run = 0; run < runs; ++run) {
        lecture.push_back(bench::millis([&] {
            lignes = ancien::lireTableAccess(QFile::encodeName(fichier).toStdString(), "Fetes",
                                             {"Nom", "Date", "Annee", "MF"})
                         .lignes.size();
        }));
        socle::Database base;
        base.open(QFile::encodeName(dir.filePath(QStringLiteral("c%1.db").arg(run))).toStdString(),
                  socle::OpenMode::Create);
        socle::creerTable(base);
        echange::Rapport rapport;
        import.push_back(
            bench::millis([&] { rapport = ancien::importer(base, fichier, dir.path() + '/'); }));
        if (run == 0)
            std::printf("%s\n", qPrintable(rapport.texte));
    }
    std::printf("%zu rows of an Access 2002-2003 file: import %.1f ms median over %d runs "
                "(goal < 50 ms), of which the reader's process %.1f ms\n",
                lignes, bench::median(import), runs, bench::median(lecture));
    return 0;
}
