#include "session/captions.h"

namespace tvx::session {

namespace {

const ControlText kCaptions[] = {
    {"OK", "OK", "OK"},
    {"BACK", "back", "geri"},
    {"CANCEL", "cancel", "iptal"},
    {"EXIT", "exit", "çıkış"},
    {"Setting", "Setting", "ayarlar"},
    {"HELP", "Help", "yardım"},
    {"records", "records", "kayıtlar"},  // the workshop record, beside EXIT
    {"DEMO", "DEMO", "DEMO"},
    {"live", "Live data", "Sensörler"},
    {"rdtc", "Read DTC", "Arıza oku"},
    {"cdtc", "Clear DTC", "Arıza sil"},
    {"read_inj", "Read Injector", "Enjektör oku"},
    {"prog_inj", "Prog Injector", "Enjektör prog"},
    {"Language", "language", "dil"},
    {"PG1", "Gasoline", "Benzinli"},
    {"DG1", "Diesel", "Dizel"},
    {"support", "support", "destek"},  // saves the support file
    // The injector panels are labelled 1, 3, 4, 2 from top to bottom.
    {"label1", "Injector 1", "Enjektör 1"},
    {"Label2", "Injector 3", "Enjektör 3"},
    {"Label3", "Injector 4", "Enjektör 4"},
    {"Label4", "Injector 2", "Enjektör 2"},
    // The live-data chart, recording and replay, below the work area.
    {"recordLive", "Record", "Kaydet"},
    {"gaugesOnly", "Gauges", "Göstergeler"},
    {"gaugesAndChart", "Gauges + chart", "Gösterge + grafik"},
    {"chartOnly", "Chart", "Grafik"},
    {"exportCsv", "Export CSV", "CSV'ye aktar"},
    {"openRecording", "Open recording", "Kayıt aç"},
    {"replayClose", "Close replay", "Tekrarı kapat"},
    {"chartWindow30s", "30 s", "30 sn"},
    {"chartWindow2min", "2 min", "2 dk"},
    {"chartWindow10min", "10 min", "10 dk"},
    {"chartPause", "Pause", "Dondur"},
    {"chartValues", "Values", "Değerler"},
    {"chartFast", "Fast", "Hızlı"},
};

// Universal abbreviations with a unit (MAP, LAMBDA, HEGO, MAF, EGR) read the same in both.
const ControlText kGaugeCaptions[] = {
    // Petrol panels (Frame61); the shared ones also on the diesel page.
    {"rpmp", "RPM", "DEVİR"},
    {"advp", "ADV °", "AVANS °"},
    {"mapp", "MAP", "MAP"},  // kPa on the petrol page only: no unit for both
    {"atpp", "TPS", "KELEBEK"},
    {"lmdp", "LAMBDA", "LAMBDA"},
    {"vssp", "VSS km/h", "HIZ km/h"},
    {"ectp", "ECT °C", "SOĞUTMA °C"},
    {"iatp", "IAT °C", "EMİŞ °C"},
    {"batp", "BAT V", "AKÜ V"},
    {"hup", "HEGO UP V", "HEGO UP V"},
    {"hdp", "HEGO DN V", "HEGO DN V"},
    {"barop", "BARO", "BARO"},
    {"loadp", "LOAD %", "YÜK %"},
    {"vip", "VVT IN", "VVT GİRİŞ"},
    {"vop", "VVT OUT", "VVT ÇIKIŞ"},
    {"dtcp", "DTC", "HATA"},
    // Diesel panels (Frame71) not shared with the petrol page.
    {"frpp", "FRP bar", "RAMPA bar"},
    {"mafp", "MAF g/s", "MAF g/s"},
    {"mfdp", "MFD", "İST. YAKIT"},
    {"torkp", "TORQUE Nm", "TORK Nm"},
    {"appp", "APP %", "PEDAL %"},
    {"app1p", "APP1 V", "PEDAL1 V"},
    {"app2p", "APP2 V", "PEDAL2 V"},
    {"app3p", "APP3 V", "PEDAL3 V"},
    {"egrpp", "EGR mm", "EGR mm"},
    {"egrdp", "EGR DUTY %", "EGR GÖREV %"},
    {"chtp", "CHT °C", "KAPAK °C"},
    {"ftsp", "FT °C", "YAKIT °C"},
    {"betp", "BET °C", "AKÜ °C"},
    {"cppp", "CLUTCH", "DEBRİYAJ"},
    {"bppp", "BRAKE", "FREN"},
    {"klimap", "A/C", "KLİMA"},
    // Cluster panels (Frame81).
    {"kmp", "ODOMETER km", "KİLOMETRE km"},
    {"flip", "FUEL %", "YAKIT %"},
    {"cdtp", "DTC", "HATA"},
};

const ControlText kStartCaptions[] = {
    {"EXIT", "exit", "çıkış"},
    {"Setting", "Setting", "ayarlar"},
    {"HELP", "Help", "yardım"},
    {"records", "records", "kayıtlar"},
};

// Panels that the petrol and diesel pages share (rpmp, mapp, ...) carry one hint.
const ControlText kHints[] = {
    // Module buttons.
    {"pcm", "powertrain control modul", "motor beyni"},
    {"tcm", "Traction control modul", "Şanzuman beyni"},
    {"abs", "ABS brake", "ABS fren beyni"},
    {"ab", "airbag", "airbag"},
    {"cp", "Cluster Panel", "Gösterge Paneli"},
    {"ICU", "Injector coltrol unit", "Enjektör kontrol ünitesi"},
    // Petrol panels (Frame61).
    {"rpmp", "engine revolution", "motor devir sayısı"},
    {"advp", "advance", "avans  "},
    {"mapp", "masse air pressure", "emiş hava basıncı"},
    {"atpp", "absolute throttle position", "mutlak kelebek pozisyonu"},
    {"lmdp", "lambda", "lambda"},
    {"vssp", "vehichle speed", "araç hızı"},
    {"ectp", "engine coolant temperature", "motor soğutma suyu ısısı"},
    {"iatp", "intake air temperature", "emiş hava ısısı"},
    {"batp", "battery voltage", "akü voltajı"},
    {"hup", "Hego up voltage", "Hego up voltajı"},
    {"hdp", "Hego down voltage", "Hego down voltajı"},
    {"barop", "Barometer sensor", "Barometre sensoru"},
    {"loadp", "Load", "Yük"},
    {"vip", "VVT input", "VVT giriş"},
    {"vop", "VVT output", "VVT çıkış"},
    {"dtcp", "number of errors", "oluşan hata kodu sayısı"},
    // Diesel panels (Frame71) not shared with the petrol page.
    {"frpp", "fuel rail pressure", "yakıt rampa basıncı"},
    {"mafp", "mass air flow", "hava kütle akışı"},
    {"mfdp", "desired fuel quantity", "istenen yakıt miktarı"},
    {"chtp", "cylinder head temperature", "silindir kapağı ısısı"},
    {"ftsp", "fuel temperature", "yakıt ısısı"},
    {"appp", "accelerator pedal position", "gaz pedalı pozisyonu"},
    {"egrpp", "EGR valve position", "EGR valf pozisyonu"},
    {"egrdp", "EGR duty cycle", "EGR görev oranı"},
    {"app1p", "pedal sensor 1 voltage", "pedal sensörü 1 voltajı"},
    {"app2p", "pedal sensor 2 voltage", "pedal sensörü 2 voltajı"},
    {"app3p", "pedal sensor 3 voltage", "pedal sensörü 3 voltajı"},
    {"bppp", "brake pedal switch", "fren pedalı anahtarı"},
    {"cppp", "clutch pedal switch", "debriyaj pedalı anahtarı"},
    {"klimap", "air conditioning", "klima"},
    {"betp", "battery temperature", "akü ısısı"},
    {"torkp", "engine torque", "motor torku"},
    // Cluster panels (Frame81).
    {"kmp", "odometer ", "kilometre"},
    {"flip", "fuel level", "depo yakıt seviyesi"},
    {"cdtp", "number of errors", "oluşan hata sayısı"},
    // The live-data chart, recording and replay.
    {"recordLive", "record every value of the page with its time",
     "sayfanın her değerini zamanıyla kaydet"},
    {"liveChart", "click a gauge to chart its value; click the chart for the values at that time",
     "değerini çizmek için göstergeye tıklayın; o andaki değerler için grafiğe tıklayın"},
    {"openRecording", "play a recording back: nothing is sent to the car",
     "bir kaydı oynat: araca hiçbir şey gönderilmez"},
    {"chartValues", "put a value of the page on the chart or take it off",
     "sayfanın bir değerini grafiğe ekle veya çıkar"},
    {"chartFast", "poll only the charted values, several times faster; the other gauges pause",
     "yalnızca grafikteki değerleri oku, kat kat hızlı; diğer göstergeler durur"},
};

}  // namespace

std::span<const ControlText> captions() {
    return kCaptions;
}
std::span<const ControlText> gaugeCaptions() {
    return kGaugeCaptions;
}
std::span<const ControlText> hints() {
    return kHints;
}
std::span<const ControlText> startCaptions() {
    return kStartCaptions;
}

}  // namespace tvx::session
