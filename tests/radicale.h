#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>
#include <memory>

namespace test {

// A real Radicale (Debian's python3-radicale) on 127.0.0.1, a free port,
// plain htpasswd users, storage in a folder of its own; stopped with the
// object. Under CI=true, a missing Radicale is a failure, not a skip.
class Radicale {
public:
    Radicale();
    ~Radicale();

    // False when it could not start (why() says it).
    bool demarrer(int port = 0);
    void arreter();
    bool enMarche() const;

    QUrl url() const; // http://127.0.0.1:port/
    int port() const { return m_port; }
    QString stockage() const; // the collections' folder
    // An address book of alice's made in the storage itself, and cards put
    // straight into it: far faster than PUTs for thousands of contacts.
    QUrl creerCarnet(const QString& chemin, const QString& nom) const;
    bool deposer(const QString& chemin, const QString& fichier, const QByteArray& carte) const;
    QString why() const { return m_pourquoi; }
    static bool exigee(); // CI=true

private:
    QTemporaryDir m_dossier;
    std::unique_ptr<QProcess> m_serveur;
    int m_port = 0;
    QString m_pourquoi;
};

} // namespace test

// In a test: starts Radicale, or skips (fails under CI) saying why.
#define RADICALE_OU_PASSER(serveur)                                                                \
    do {                                                                                           \
        if (!(serveur).demarrer()) {                                                               \
            if (test::Radicale::exigee())                                                          \
                QFAIL(qPrintable((serveur).why()));                                                \
            QSKIP(qPrintable((serveur).why()));                                                    \
        }                                                                                          \
    } while (false)
