#include <algorithm>

#include "plain/filled_in.h"
#include "record/report.h"
#include "record/report_values.h"

namespace tvx::record {
namespace {

// One sentence in each language; {m} is the module, {i} the injector's number, {a} and {b}
// codes, {c} a list of trouble codes, {d} a duration.
struct Sentence {
    const char* english;
    const char* turkish;
};

// clang-format off
constexpr Sentence kCodesRead{"{m}: {c} trouble codes read.", "{m}: {c} arıza kodu okundu."};
constexpr Sentence kOneCodeRead{"{m}: 1 trouble code read.", "{m}: 1 arıza kodu okundu."};
constexpr Sentence kNoCodes{"{m}: no trouble codes stored.", "{m}: kayıtlı arıza kodu yok."};
constexpr Sentence kReadFailed{"{m}: the trouble codes could not be read.", "{m}: arıza kodları okunamadı."};
constexpr Sentence kClearedNoneLeft{"{m}: the trouble codes were cleared; read again, none came back.",
                                    "{m}: arıza kodları silindi; tekrar okunduğunda kod kalmadı."};
constexpr Sentence kClearedStill{"{m}: the trouble codes were cleared; still present after the clear: {c}.",
                                 "{m}: arıza kodları silindi; silmeden sonra hâlâ var: {c}."};
constexpr Sentence kClearedNotRead{"{m}: the trouble codes were cleared (not read again).",
                                   "{m}: arıza kodları silindi (tekrar okunmadı)."};
constexpr Sentence kClearFailed{"{m}: clearing the trouble codes failed.", "{m}: arıza kodları silinemedi."};
constexpr Sentence kInjectorsRead{"The injector codes were read.", "Enjektör kodları okundu."};
constexpr Sentence kCoded{"Injector {i} was coded from {a} to {b}, read back and verified.",
                          "{i} numaralı enjektör {a} kodundan {b} koduna programlandı, geri okunup doğrulandı."};
constexpr Sentence kRestored{"Injector {i} was given back its earlier code {b}, read back and verified.",
                             "{i} numaralı enjektöre önceki kodu {b} geri yazıldı, geri okunup doğrulandı."};
constexpr Sentence kNotVerified{"Injector {i} was coded from {a} to {b}; the code could not be read back to verify it.",
                                "{i} numaralı enjektör {a} kodundan {b} koduna programlandı; kod doğrulama için geri okunamadı."};
constexpr Sentence kFailedKeptOld{"Coding injector {i} from {a} to {b} failed; the injector keeps its old code {a}.",
                                  "{i} numaralı enjektörün {a} kodundan {b} koduna programlanması başarısız oldu; enjektör eski kodunu ({a}) koruyor."};
constexpr Sentence kFailedUnknown{"Coding injector {i} from {a} to {b} failed; the code the injector now holds could not be confirmed.",
                                  "{i} numaralı enjektörün {a} kodundan {b} koduna programlanması başarısız oldu; enjektörün şimdiki kodu doğrulanamadı."};
constexpr Sentence kNotStarted{"Coding injector {i} to {b} was not started.",
                               "{i} numaralı enjektörün {b} koduna programlanması başlatılmadı."};
constexpr Sentence kUnfinished{"Coding injector {i} from {a} to {b} was started; its end is not recorded.",
                               "{i} numaralı enjektörün {a} kodundan {b} koduna programlanması başladı; sonu kayıtlı değil."};
constexpr Sentence kRecorded{"{m}: live data was recorded for {d}.", "{m}: canlı veriler {d} boyunca kaydedildi."};
// clang-format on

class Sentences {
public:
    Sentences(ReportLanguage language, const std::function<std::string(std::string_view)>& code)
        : m_language(language), m_code(code) {}

    // The fields of a sentence, by their letters.
    struct Fill {
        std::string module;
        std::string injector;
        std::string a;
        std::string b;
        std::string c;
        std::string d;
    };
    static Fill module(std::string name, std::string c = {}) {
        Fill fill;
        fill.module = std::move(name);
        fill.c = std::move(c);
        return fill;
    }

    void add(const Sentence& sentence, const Fill& fill = {}) {
        std::string text =
            m_language == ReportLanguage::Turkish ? sentence.turkish : sentence.english;
        const std::pair<const char*, const std::string&> fields[] = {
            {"{m}", fill.module}, {"{i}", fill.injector}, {"{a}", fill.a},
            {"{b}", fill.b},      {"{c}", fill.c},        {"{d}", fill.d}};
        m_out.push_back(filledIn(std::move(text), fields));
    }
    std::string code(std::string_view text) const { return m_code(text); }
    std::string codes(const std::vector<TroubleCode>& list) const {
        std::string out;
        for (const TroubleCode& c : list) {
            out += (out.empty() ? "" : ", ") + m_code(c.text);
        }
        return out;
    }
    ReportLanguage language() const { return m_language; }
    std::vector<std::string> take() { return std::move(m_out); }

private:
    ReportLanguage m_language;
    const std::function<std::string(std::string_view)>& m_code;
    std::vector<std::string> m_out;
};

void codeSentences(const VisitReport& report, Sentences& out) {
    for (const ModuleCodes& module : report.modules) {
        const std::string name = modulePlainName(module.module, out.language());
        if (!module.readOk) {
            out.add(kReadFailed, Sentences::module(name));
            continue;
        }
        const auto found = std::count_if(module.codes.begin(), module.codes.end(),
                                         [](const auto& c) { return c.second != CodeSince::Gone; });
        if (found == 0) {
            out.add(kNoCodes, Sentences::module(name));
        } else {
            out.add(found == 1 ? kOneCodeRead : kCodesRead,
                    Sentences::module(name, std::to_string(found)));
        }
    }
    for (const ClearReport& clear : report.clears) {
        const std::string name = modulePlainName(clear.clear.module, out.language());
        if (!clear.clear.ok) {
            out.add(kClearFailed, Sentences::module(name));
        } else if (!clear.after) {
            out.add(kClearedNotRead, Sentences::module(name));
        } else if (clear.after->empty()) {
            out.add(kClearedNoneLeft, Sentences::module(name));
        } else {
            out.add(kClearedStill, Sentences::module(name, out.codes(*clear.after)));
        }
    }
}

void injectorSentences(const Visit& visit, Sentences& out) {
    if (std::any_of(visit.injectorReads.begin(), visit.injectorReads.end(),
                    [](const InjectorRead& read) { return read.ok; })) {
        out.add(kInjectorsRead);
    }
    for (const ProgrammingRun& run : visit.runs) {
        Sentences::Fill fill;
        fill.injector = std::to_string(injectorLabelNumber(run.injector));
        fill.a = out.code(run.codeBefore);
        fill.b = out.code(run.codeNew);
        if (run.result == "finished") {
            out.add(run.restore ? kRestored : kCoded, fill);
        } else if (run.result == "not verified") {
            out.add(kNotVerified, fill);
        } else if (run.result == "failed") {
            out.add(run.unitHolds == "old" ? kFailedKeptOld : kFailedUnknown, fill);
        } else if (run.result == "refused" || run.result == "not recorded") {
            out.add(kNotStarted, fill);
        } else {
            out.add(kUnfinished, fill);
        }
    }
}

}  // namespace

std::string duration(std::int64_t ms, ReportLanguage language) {
    const std::int64_t seconds = (ms + 500) / 1000;
    const bool turkish = language == ReportLanguage::Turkish;
    const std::string s = std::to_string(seconds % 60) + (turkish ? " sn" : " s");
    return seconds < 60 ? s : std::to_string(seconds / 60) + (turkish ? " dk " : " min ") + s;
}

std::vector<std::string> workDone(const VisitReport& report, ReportLanguage language,
                                  const std::function<std::string(std::string_view)>& code) {
    Sentences out(language, code);
    codeSentences(report, out);
    injectorSentences(report.visit, out);
    for (const RecordingReport& item : report.recordings) {
        const Recording& recording = item.recording;
        Sentences::Fill fill =
            Sentences::module(modulePlainName(recordedModule(recording), language));
        fill.d = duration(recordingDurationMs(recording), language);
        out.add(kRecorded, fill);
    }
    return out.take();
}

}  // namespace tvx::record
