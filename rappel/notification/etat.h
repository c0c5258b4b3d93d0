#pragma once

#include <string>

// The reminder's memory of the last day told, in a small file of its own
// ($XDG_STATE_HOME/tarvelon/rappel-du-jour), never in the settings file nor in
// the calendar. Held under a lock from the check to the record, so that the
// session's autostart and the morning timer never both tell the same day.
class EtatRappel {
public:
    explicit EtatRappel(std::string dossier);
    ~EtatRappel();
    EtatRappel(const EtatRappel&) = delete;
    EtatRappel& operator=(const EtatRappel&) = delete;

    // Takes the lock (waiting for another reminder that holds it); false with
    // erreur when the file cannot be made.
    bool verrouiller(std::string& erreur);
    // The day last told, "AAAA-MM-JJ"; empty when none.
    std::string dernierJour() const;
    // Notes the day told; without the file (verrouiller failed), nothing.
    bool noter(const std::string& jour, std::string& erreur);
    void liberer();

private:
    std::string m_dossier;
    int m_fd = -1;
};
