#include "keeper/unfinished_runs.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "keeper/kept_runs.h"
#include "plain/filled_in.h"

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

// The notice in one language. In its texts {o} stands for where the run comes from, {n} the
// injector, {b} the code the run began from, {w} the code it was to write, {h} the code the
// unit holds now, {t} what that code is in words and {r} how to put the unit right.
struct NoticeWords {
    const char* began;
    const char* putRight;
    const char* notRead;  // the unit's codes were not read
    const char* holds;
    const char* holdsNew;     // the whole of what follows `holds`
    const char* holdsBefore;  // likewise
    const char* holdsMixed;   // before {r}
    const char* holdsOther;   // before {r}
};

constexpr NoticeWords kEnglish{
    "{o} on injector {n} never finished: the tester was stopped during it (or another program "
    "is running it now). It began from {b} to write {w}. ",
    "write the code before it back with 'injectors restore {n}', or program injector {n} again",
    "The unit may hold either code or a MIXED code of the two: read it (ICU, 'injectors read'); "
    "unless it holds {w}, {r}.",
    "Injector {n} holds {h}, {t}: ",
    "the run went through; nothing to put right.",
    "the unit is as it was; program it again when wanted.",
    "",
    "",
};

constexpr NoticeWords kTurkish{
    "{o}, enjektör {n} üzerinde hiç bitmedi: test cihazı bu sırada durduruldu (ya da şu an başka "
    "bir program onu yürütüyor). {b} kodundan başlayıp {w} kodunu yazacaktı. ",
    "önceki kodu 'injectors restore {n}' ile geri yazın ya da enjektörü yeniden programlayın",
    "Ünite iki koddan birini ya da ikisinden KARIŞIK bir kod tutuyor olabilir: kodları okuyun "
    "(ICU, 'injectors read'); {w} değilse {r}.",
    "Enjektör {n} şu an {h} tutuyor: ",
    "yazılacak kod; çalışma tamamlanmış, yapılacak bir şey yok.",
    "başladığı kod; ünite değişmedi, gerekirse yeniden programlayın.",
    "KARIŞIK bir kod; ",
    "ne başladığı ne de yazılacak kod; ",
};

std::string notice(const UnfinishedRun& u, const std::string* now, char languageCode) {
    const bool turkish = languageCode == '2';
    const NoticeWords& words = turkish ? kTurkish : kEnglish;
    const RunFacts& run = u.run;
    std::vector<std::pair<std::string_view, std::string>> fills{
        {"{o}", runOrigin(run, turkish ? '2' : '1')},
        {"{n}", std::to_string(u.injector)},
        {"{b}", run.codeBefore},
        {"{w}", run.codeNew}};
    const std::string putRight = filledIn(words.putRight, fills);
    fills.emplace_back("{r}", putRight);
    const std::string text = filledIn(words.began, fills);
    if (now == nullptr) {
        return text + filledIn(words.notRead, fills);
    }
    fills.emplace_back("{h}", *now);
    fills.emplace_back("{t}", holdsText(run, *now));
    const std::string holds = text + filledIn(words.holds, fills);
    switch (holdsOf(run, *now)) {
        case Holds::CodeNew:
            return holds + words.holdsNew;
        case Holds::CodeBefore:
            return holds + words.holdsBefore;
        case Holds::Mixed:
            return holds + words.holdsMixed + putRight + ".";
        case Holds::Other:
            break;
    }
    return holds + words.holdsOther + putRight + ".";
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
        warnings.push_back(notice(u, now, languageCode));
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
