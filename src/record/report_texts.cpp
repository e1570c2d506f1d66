#include "record/report_texts.h"

#include "plain/bilingual.h"

namespace tvx::record {
namespace {

// clang-format off
constexpr Bilingual<ReportText> kTexts[] = {
    {ReportText::Title, "Vehicle diagnostic report", "Araç arıza teşhis raporu"},
    {ReportText::Demo, "DEMONSTRATION: invented values, no vehicle", "GÖSTERİM: uydurma değerler, araç yok"},
    {ReportText::ReportNumber, "Report no.", "Rapor no."},
    {ReportText::Date, "Date", "Tarih"},
    {ReportText::Vehicle, "Vehicle", "Araç"},
    {ReportText::Vin, "VIN", "Şasi no (VIN)"},
    {ReportText::NotRead, "not read", "okunamadı"},
    {ReportText::Plate, "Plate", "Plaka"},
    {ReportText::Customer, "Customer", "Müşteri"},
    {ReportText::Odometer, "Odometer", "Kilometre"},
    {ReportText::ReadFromCluster, "read from the instrument cluster", "gösterge panelinden okundu"},
    {ReportText::LastVisit, "Last visit", "Önceki ziyaret"},
    {ReportText::ModulesFound, "Modules found", "Bulunan beyinler"},
    {ReportText::WorkDone, "Work done", "Yapılan işlemler"},
    {ReportText::TroubleCodes, "Trouble codes", "Arıza kodları"},
    {ReportText::ReadFailed, "the read failed", "okuma başarısız"},
    {ReportText::NoCodes, "no stored codes", "kayıtlı arıza yok"},
    {ReportText::Code, "Code", "Kod"},
    {ReportText::Description, "Description", "Açıklama"},
    {ReportText::ComparedWithLastVisit, "Since the last visit", "Önceki ziyarete göre"},
    {ReportText::New, "new", "yeni"},
    {ReportText::StillPresent, "still present", "hâlâ var"},
    {ReportText::Gone, "gone", "giderildi"},
    {ReportText::FirstVisit, "first read", "ilk okuma"},
    {ReportText::None, "none", "yok"},
    {ReportText::Cleared, "Codes cleared", "Arızalar silindi"},
    {ReportText::ClearFailed, "Clearing failed", "Silme başarısız"},
    {ReportText::CodesBefore, "codes before", "önceki kodlar"},
    {ReportText::CodesAfter, "codes read after", "sonra okunan kodlar"},
    {ReportText::NotReadAgain, "not read again", "tekrar okunmadı"},
    {ReportText::NotInCatalogue, "(no description in the catalogue)", "(katalogda açıklaması yok)"},
    {ReportText::InjectorCodes, "Injector codes", "Enjektör kodları"},
    {ReportText::Injector, "Injector", "Enjektör"},
    {ReportText::ReadAt, "Read at", "Okuma saati"},
    {ReportText::ProgrammingRuns, "Injector coding", "Enjektör kodlama"},
    {ReportText::Before, "Code before", "Önceki kod"},
    {ReportText::NewCode, "New code", "Yeni kod"},
    {ReportText::Result, "Result", "Sonuç"},
    {ReportText::LiveValues, "Live values", "Canlı değerler"},
    {ReportText::RecordedAt, "Recorded at", "Kayıt saati"},
    {ReportText::Duration, "for", "süre"},
    {ReportText::Cycles, "{n} cycles", "{n} döngü"},
    {ReportText::Parameter, "Value", "Değer"},
    {ReportText::Minimum, "Lowest", "En düşük"},
    {ReportText::Mean, "Average", "Ortalama"},
    {ReportText::Maximum, "Highest", "En yüksek"},
    {ReportText::OnShare, "on {n} % of the time", "devrede kalma oranı: % {n}"},
    {ReportText::ChartOfTheLast, "The chart shows the last {d} of the recording.", "Grafik kaydın son {d} kısmını gösteriyor."},
    {ReportText::Findings, "Findings", "Tespitler"},
    {ReportText::Recommendation, "Recommendation", "Öneriler"},
    {ReportText::TechnicianSignature, "Technician's signature", "Teknisyen imzası"},
    {ReportText::CustomerSignature, "Customer's signature", "Müşteri imzası"},
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
    return bilingualText(kTexts, text, language == ReportLanguage::Turkish);
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
