// tarvelon-lecture-access FICHIER TABLE CHAMP...: the rows of one table of an
// Access database (Jet 3, Jet 4, ACE), read with libmdb, written to the
// standard output for the program that started it (access.cpp). libmdb
// trusts the file it reads: a damaged or hostile file may crash it, so it
// runs here, alone, under limits, and never in the window's process.
//
// Output, UTF-8, one line each:
//   TARVELON-ACCESS 1
//   then SANS_TABLE, or SANS_CHAMP <TAB> name, or COUPE, or ILLISIBLE,
//   or LIGNES <TAB> rows the table announces, the rows, and FIN <TAB> count.
// A row is its fields in the order asked, separated by tabs; a NULL field is
// \N, a text has \ tab LF CR written \\ \t \n \r.
#include <glib.h>
// libmdb's header needs glib's first.
#include <mdbtools.h>

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <strings.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define SOUS_ASAN
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SOUS_ASAN
#endif
#endif

namespace {

void limiter()
{
    // A file that makes libmdb loop or grow is stopped, not waited for.
    const rlimit temps{20, 20};
    setrlimit(RLIMIT_CPU, &temps);
#ifndef SOUS_ASAN // AddressSanitizer reserves far more address space
    const rlimit memoire{rlim_t(1) << 30, rlim_t(1) << 30};
    setrlimit(RLIMIT_AS, &memoire);
#endif
}

// libmdb talks on the standard output and error (its troubles, its debug
// lines): those go nowhere, and the rows go through a stream of their own.
std::FILE* canal()
{
    const int sortie = dup(1);
    const int rien = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (sortie < 0 || rien < 0)
        return nullptr;
    dup2(rien, 1);
    dup2(rien, 2);
    return fdopen(sortie, "w");
}

std::FILE* sortie = nullptr;

void ecrireTexte(std::string& ligne, const char* texte, int longueur)
{
    for (int i = 0; i < longueur; ++i) {
        switch (texte[i]) {
        case '\\':
            ligne += "\\\\";
            break;
        case '\t':
            ligne += "\\t";
            break;
        case '\n':
            ligne += "\\n";
            break;
        case '\r':
            ligne += "\\r";
            break;
        default:
            ligne += texte[i];
        }
    }
}

int fin(const char* statut)
{
    std::fprintf(sortie, "%s\n", statut);
    return std::fflush(sortie) == 0 ? 0 : 1;
}

MdbCatalogEntry* tableNommee(MdbHandle* mdb, const char* nom)
{
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto* entree = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entree->object_type == MDB_TABLE && strcasecmp(entree->object_name, nom) == 0)
            return entree;
    }
    return nullptr;
}

// The number of pages the file holds.
unsigned long pages(const char* fichier, MdbHandle* mdb)
{
    struct stat info {};
    if (stat(fichier, &info) != 0 || mdb->fmt->pg_size == 0)
        return 0;
    return static_cast<unsigned long>(info.st_size) / mdb->fmt->pg_size;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4)
        return 2;
    limiter();
    sortie = canal();
    if (!sortie)
        return 1;
    std::fprintf(sortie, "TARVELON-ACCESS 1\n");

    MdbHandle* mdb = mdb_open(argv[1], MDB_NOFLAGS);
    if (!mdb || !mdb_read_catalog(mdb, MDB_TABLE))
        return fin("ILLISIBLE");
    MdbCatalogEntry* entree = tableNommee(mdb, argv[2]);
    if (!entree) {
        mdb_close(mdb);
        return fin("SANS_TABLE");
    }
    // The table's page past the end: the file was cut short.
    if (entree->table_pg >= pages(argv[1], mdb)) {
        mdb_close(mdb);
        return fin("COUPE");
    }
    MdbTableDef* table = mdb_read_table(entree);
    if (!table) {
        mdb_close(mdb);
        return fin("ILLISIBLE");
    }
    if (!mdb_read_columns(table)) {
        mdb_free_tabledef(table);
        mdb_close(mdb);
        return fin("ILLISIBLE");
    }

    // The fields asked for, by name whatever their letter case and order;
    // the table's other columns are left alone.
    const int champs = argc - 3;
    std::vector<int> colonne(size_t(champs), -1);
    for (int c = 0; c < champs; ++c)
        for (unsigned k = 0; k < table->num_cols; ++k)
            if (strcasecmp(static_cast<MdbColumn*>(g_ptr_array_index(table->columns, k))->name,
                           argv[3 + c]) == 0)
                colonne[size_t(c)] = int(k);
    for (int c = 0; c < champs; ++c) {
        if (colonne[size_t(c)] < 0) {
            std::fprintf(sortie, "SANS_CHAMP\t%s\n", argv[3 + c]);
            mdb_free_tabledef(table);
            mdb_close(mdb);
            return std::fflush(sortie) == 0 ? 0 : 1;
        }
    }
    std::vector<std::vector<char>> valeurs(size_t(champs), std::vector<char>(MDB_BIND_SIZE));
    std::vector<int> longueurs(size_t(champs), 0);
    for (int c = 0; c < champs; ++c)
        mdb_bind_column(table, colonne[size_t(c)] + 1, valeurs[size_t(c)].data(),
                        &longueurs[size_t(c)]);

    std::fprintf(sortie, "LIGNES\t%u\n", table->num_rows);
    mdb_rewind_table(table);
    std::vector<MdbField> champsLus(table->num_cols + 1);
    std::vector<unsigned char> nul(table->num_cols, 0);
    unsigned lignes = 0;
    std::string ligne;
    while (mdb_fetch_row(table)) {
        // A NULL and an empty text bind alike: the row itself tells them apart.
        int debut = 0;
        size_t taille = 0;
        if (mdb_find_row(mdb, int(table->cur_row) - 1, &debut, &taille) != 0)
            break;
        const int lus = mdb_crack_row(table, debut, taille, champsLus.data());
        std::fill(nul.begin(), nul.end(), 0);
        for (int i = 0; i < lus && i < int(table->num_cols); ++i)
            if (champsLus[size_t(i)].colnum >= 0 &&
                champsLus[size_t(i)].colnum < int(table->num_cols))
                nul[size_t(champsLus[size_t(i)].colnum)] = champsLus[size_t(i)].is_null;
        ligne.clear();
        for (int c = 0; c < champs; ++c) {
            if (c > 0)
                ligne += '\t';
            if (nul[size_t(colonne[size_t(c)])])
                ligne += "\\N";
            else
                ecrireTexte(ligne, valeurs[size_t(c)].data(),
                            int(strnlen(valeurs[size_t(c)].data(), MDB_BIND_SIZE)));
        }
        ligne += '\n';
        std::fwrite(ligne.data(), 1, ligne.size(), sortie);
        ++lignes;
    }
    std::fprintf(sortie, "FIN\t%u\n", lignes);
    mdb_free_tabledef(table);
    mdb_close(mdb);
    return std::fflush(sortie) == 0 ? 0 : 1;
}
