#include "record/report_texts.h"

namespace tvx::record {
namespace {

struct Row {
    ReportText text;
    const char* english;
    const char* turkish;
};

// clang-format off
constexpr Row kTexts[] = {
    {ReportText::Title, "Vehicle diagnostic report", "Araç arıza teşhis raporu"},
    {ReportText::Workshop, "Workshop", "Servis"},
    {ReportText::Date, "Date", "Tarih"},
    {ReportText::Vehicle, "Vehicle", "Araç"},
    {ReportText::Vin, "VIN", "Şasi no (VIN)"},
    {ReportText::NotRead, "not read", "okunamadı"},
    {ReportText::Demo, "DEMONSTRATION: invented values, no vehicle", "GÖSTERİM: uydurma değerler, araç yok"},
    {ReportText::ModulesFound, "Modules found", "Bulunan beyinler"},
    {ReportText::Module, "Module", "Beyin"},
    {ReportText::Protocol, "protocol", "protokol"},
    {ReportText::Absent, "absent", "yok"},
    {ReportText::InjectorUnit, "Injector control unit", "Enjektör kontrol ünitesi"},
    {ReportText::Yes, "yes", "var"},
    {ReportText::TroubleCodes, "Trouble codes", "Arıza kodları"},
    {ReportText::Code, "Code", "Kod"},
    {ReportText::Description, "Description", "Açıklama"},
    {ReportText::ComparedWithLastVisit, "Since the last visit", "Önceki ziyarete göre"},
    {ReportText::New, "new", "yeni"},
    {ReportText::StillPresent, "still present", "hâlâ var"},
    {ReportText::Gone, "gone", "giderildi"},
    {ReportText::FirstVisit, "first read", "ilk okuma"},
    {ReportText::NoCodes, "no stored codes", "kayıtlı arıza yok"},
    {ReportText::ReadFailed, "the read failed", "okuma başarısız"},
    {ReportText::Cleared, "Codes cleared", "Arızalar silindi"},
    {ReportText::ClearFailed, "Clearing failed", "Silme başarısız"},
    {ReportText::CodesBefore, "codes before", "önceki kodlar"},
    {ReportText::CodesAfter, "codes read after", "sonra okunan kodlar"},
    {ReportText::NotReadAgain, "not read again", "tekrar okunmadı"},
    {ReportText::None, "none", "yok"},
    {ReportText::InjectorCodes, "Injector codes", "Enjektör kodları"},
    {ReportText::Injector, "Injector", "Enjektör"},
    {ReportText::Time, "Time", "Saat"},
    {ReportText::ProgrammingRuns, "Injector programming", "Enjektör programlama"},
    {ReportText::Before, "Code before", "Önceki kod"},
    {ReportText::NewCode, "New code", "Yeni kod"},
    {ReportText::Result, "Result", "Sonuç"},
    {ReportText::UnitHolds, "The unit holds", "Ünitedeki kod"},
    {ReportText::ReadBack, "Read back", "Geri okunan"},
    {ReportText::Steps, "Steps", "Adımlar"},
    {ReportText::Half, "Half", "Yarı"},
    {ReportText::Request, "Request", "İstek"},
    {ReportText::Restore, "writing the old code back", "eski kodu geri yazma"},
    {ReportText::Ok, "ok", "tamam"},
    {ReportText::Failed, "failed", "başarısız"},
    {ReportText::LiveValues, "Live values", "Canlı değerler"},
    {ReportText::Page, "Page", "Sayfa"},
    {ReportText::Duration, "Duration", "Süre"},
    {ReportText::Parameter, "Parameter", "Değer"},
    {ReportText::Unit, "Unit", "Birim"},
    {ReportText::Minimum, "Min", "En az"},
    {ReportText::Mean, "Mean", "Ortalama"},
    {ReportText::Maximum, "Max", "En çok"},
    {ReportText::Readings, "Readings", "Okuma"},
    {ReportText::LastVisit, "Last visit", "Önceki ziyaret"},
    {ReportText::Visit, "Visit", "Ziyaret"},
};

// The record's own words, as stored, with their Turkish.
constexpr std::pair<const char*, const char*> kWords[] = {
    {"finished", "tamamlandı"},
    {"failed", "başarısız"},
    {"refused", "reddedildi"},
    {"not verified", "yazıldı, doğrulanamadı"},
    {"not recorded", "kayıt tutulamadı, yazılmadı"},
    {"started", "başladı, sonu kayıtlı değil"},
    {"old", "eski kod"},
    {"new", "yeni kod"},
    {"mixed", "karışık kod"},
    {"not read", "okunamadı"},
    {"start", "başlat"},
    {"open", "aç"},
    {"select", "seç"},
    {"write", "yaz"},
    {"store", "kaydet"},
    {"close", "kapat"},
    {"start again", "yeniden başlat"},
};
// clang-format on

}  // namespace

std::string_view reportText(ReportText text, ReportLanguage language) {
    for (const Row& row : kTexts) {
        if (row.text == text) {
            return language == ReportLanguage::Turkish ? row.turkish : row.english;
        }
    }
    return {};
}

std::string translatedWord(std::string_view word, ReportLanguage language) {
    if (language == ReportLanguage::Turkish) {
        for (const auto& [english, turkish] : kWords) {
            if (word == english) {
                return turkish;
            }
        }
    }
    return std::string(word);
}

}  // namespace tvx::record
