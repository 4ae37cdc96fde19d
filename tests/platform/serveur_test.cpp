// Petit serveur d'automation des tests : répond selon l'instruction reçue.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

int main(int argc, char *argv[])
{
    const char *journal = std::getenv("SERVEUR_TEST_JOURNAL");
    auto note = [&](const std::string &ligne) {
        if (journal) {
            std::ofstream f(journal, std::ios::app);
            f << ligne << '\n';
        }
    };
    std::string arguments;
    for (int i = 1; i < argc; ++i)
        arguments += std::string(i > 1 ? " " : "") + argv[i];
    note("arguments " + arguments);
    std::cout << "PRET\n" << std::flush;
    std::string ligne;
    while (std::getline(std::cin, ligne)) {
        note(ligne);
        if (ligne == "FIN")
            break;
        if (ligne == "DO meurs")
            return 3;
        if (ligne == "DO dors")
            std::this_thread::sleep_for(std::chrono::seconds(20));
        if (ligne.rfind("DO erreur ", 0) == 0)
            std::cout << "ERREUR " << ligne.substr(10) << '\n' << std::flush;
        else
            std::cout << "OK\n" << std::flush;
    }
    note("libéré");
    return 0;
}
