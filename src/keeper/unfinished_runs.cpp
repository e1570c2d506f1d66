#include "keeper/unfinished_runs.h"

#include <algorithm>

#include "keeper/kept_runs.h"

namespace tvx::session {
namespace {

// What a unit holds now, in words, with respect to the run.
enum class Holds { CodeBefore, CodeNew, Mixed, Other };

Holds holdsOf(const RunFacts& run, const std::string& now) {
    if (now == run.codeNew) {
        return Holds::CodeNew;
    }
    if (now == run.codeBefore) {
        return Holds::CodeBefore;
    }
    return holdsText(run, now).find("MIXED") != std::string::npos ? Holds::Mixed : Holds::Other;
}

std::string english(const UnfinishedRun& u, const std::string* now) {
    const RunFacts& run = u.run;
    const std::string n = std::to_string(u.injector);
    std::string text = runOrigin(run) + " on injector " + n +
                       " never finished: the tester was stopped during it (or another program "
                       "is running it now). It began from " +
                       run.codeBefore + " to write " + run.codeNew + ". ";
    const std::string restore = "write the code before it back with 'injectors restore " + n +
                                "', or program injector " + n + " again";
    if (now == nullptr) {
        return text +
               "The unit may hold either code or a MIXED code of the two: read it (ICU, "
               "'injectors read'); unless it holds " +
               run.codeNew + ", " + restore + ".";
    }
    text += "Injector " + n + " holds " + *now + ", " + holdsText(run, *now) + ": ";
    switch (holdsOf(run, *now)) {
        case Holds::CodeNew:
            return text + "the run went through; nothing to put right.";
        case Holds::CodeBefore:
            return text + "the unit is as it was; program it again when wanted.";
        case Holds::Mixed:
        case Holds::Other:
            break;
    }
    return text + restore + ".";
}

std::string turkish(const UnfinishedRun& u, const std::string* now) {
    const RunFacts& run = u.run;
    const std::string n = std::to_string(u.injector);
    std::string text = runOrigin(run, '2') + ", enjektör " + n +
                       " üzerinde hiç bitmedi: test cihazı bu sırada durduruldu (ya da şu an başka "
                       "bir program onu yürütüyor). " +
                       run.codeBefore + " kodundan başlayıp " + run.codeNew + " kodunu yazacaktı. ";
    const std::string restore = "önceki kodu 'injectors restore " + n +
                                "' ile geri yazın ya da enjektörü yeniden programlayın";
    if (now == nullptr) {
        return text +
               "Ünite iki koddan birini ya da ikisinden KARIŞIK bir kod tutuyor olabilir: "
               "kodları okuyun (ICU, 'injectors read'); " +
               run.codeNew + " değilse " + restore + ".";
    }
    text += "Enjektör " + n + " şu an " + *now + " tutuyor: ";
    switch (holdsOf(run, *now)) {
        case Holds::CodeNew:
            return text + "yazılacak kod; çalışma tamamlanmış, yapılacak bir şey yok.";
        case Holds::CodeBefore:
            return text + "başladığı kod; ünite değişmedi, gerekirse yeniden programlayın.";
        case Holds::Mixed:
            text += "KARIŞIK bir kod; ";
            break;
        case Holds::Other:
            text += "ne başladığı ne de yazılacak kod; ";
            break;
    }
    return text + restore + ".";
}

}  // namespace

std::vector<UnfinishedRun> unfinishedRuns(const std::filesystem::path& dataDirectory,
                                          const std::optional<std::string>& vin) {
    std::vector<UnfinishedRun> found;
    for (int slot = 1; slot <= 4; ++slot) {
        std::string ignored;
        const auto kept = keptRuns(dataDirectory, slot, vin.value_or(""), std::nullopt, ignored);
        if (!kept) {
            continue;  // neither the record nor the journal keeps a run of this injector
        }
        // The latest run of each car on this injector; a later one supersedes it.
        std::vector<const RunFacts*> latest;
        for (const RunFacts& run : kept->runs) {
            if (vin && run.vin != *vin) {
                continue;
            }
            auto same = std::find_if(latest.begin(), latest.end(),
                                     [&run](const RunFacts* r) { return r->vin == run.vin; });
            if (same == latest.end()) {
                latest.push_back(&run);
            } else {
                *same = &run;
            }
        }
        for (const RunFacts* run : latest) {
            if (!run->ended && run->endsKept) {
                found.push_back({injectorLabelNumber(slot), *run});
            }
        }
    }
    return found;
}

std::vector<std::string> unfinishedRunWarnings(const std::vector<UnfinishedRun>& runs,
                                               const InjectorCodes* codes, char languageCode) {
    std::vector<std::string> warnings;
    for (const UnfinishedRun& u : runs) {
        const std::string* now = nullptr;
        if (codes != nullptr) {
            for (int slot = 1; slot <= 4; ++slot) {
                if (injectorLabelNumber(slot) == u.injector) {
                    now = &(*codes)[static_cast<std::size_t>(slot)];
                }
            }
        }
        warnings.push_back(languageCode == '2' ? turkish(u, now) : english(u, now));
    }
    return warnings;
}

UnfinishedRunWatch::UnfinishedRunWatch(std::filesystem::path dataDirectory,
                                       std::function<char()> languageCode, Tell tell)
    : m_dataDirectory(std::move(dataDirectory)),
      m_languageCode(std::move(languageCode)),
      m_tell(std::move(tell)) {}

void UnfinishedRunWatch::vinRead(const VinReading& e) {
    const std::string vin = e.read ? e.vin : "";
    if (!m_told.insert(vin).second) {
        return;
    }
    for (const std::string& warning :
         unfinishedRunWarnings(unfinishedRuns(m_dataDirectory, vin), nullptr, m_languageCode())) {
        m_tell(warning);
    }
}

}  // namespace tvx::session
