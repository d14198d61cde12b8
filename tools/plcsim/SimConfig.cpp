#include "SimConfig.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "SimKeys.h"

namespace plcsim {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string Trim(const std::string& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    return text.substr(begin, end - begin);
}

bool ParseNumber(const std::string& text, long minimum, long maximum, long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 0);
    if (*end != '\0' || parsed < minimum || parsed > maximum) return false;
    value = parsed;
    return true;
}

SimStation MakeStation(int index) {
    SimStation station;
    station.mac = Mac{0x00, 0xB0, 0x52, 0x5A, 0x00, static_cast<std::uint8_t>(0x02 + index)};
    station.tei = static_cast<std::uint8_t>(2 + index);
    station.bridgedMac = Mac{0x02, 0x00, 0x00, 0xAA, 0xBB, static_cast<std::uint8_t>(0xC2 + index)};
    station.txRate = static_cast<std::uint8_t>(0x52 - 8 * index);
    station.rxRate = static_cast<std::uint8_t>(0x40 - 8 * index);
    return station;
}

constexpr std::int64_t kLongestDurationMs = 7LL * 24 * 3600 * 1000;

// Where a ramp from `from` at `fromMs` to `to` at `toMs` stands at `nowMs`, to the nearest byte.
std::uint8_t Between(std::uint8_t from, std::uint8_t to, std::int64_t fromMs, std::int64_t toMs, std::int64_t nowMs) {
    const std::int64_t span = toMs - fromMs;
    const std::int64_t scaled = from * (toMs - nowMs) + to * (nowMs - fromMs);  // never negative
    return static_cast<std::uint8_t>((2 * scaled + span) / (2 * span));
}

}  // namespace

RatePoint RatesAt(const SimStation& station, std::int64_t nowMs) {
    std::vector<RatePoint> points;
    if (station.rates.empty() || station.rates.front().atMs > 0) points.push_back({0, station.txRate, station.rxRate});
    points.insert(points.end(), station.rates.begin(), station.rates.end());
    const std::int64_t period = station.ratesPeriodMs;
    std::int64_t at = std::max<std::int64_t>(nowMs, 0);
    if (period > 0) at %= period;
    // The last point at or before that time; none is later than it when the schedule repeats.
    std::size_t k = points.size() - 1;
    while (points[k].atMs > at) --k;
    const RatePoint& from = points[k];
    if (station.ratesShape == RateShape::Step) return {at, from.tx, from.rx};
    // A ramp runs to the next point; after the last one to the start of the next period, or it
    // stays where it is when nothing repeats.
    RatePoint to;
    if (k + 1 < points.size()) {
        to = points[k + 1];
    } else if (period > 0) {
        to = points.front();
        to.atMs = period;
    } else {
        return {at, from.tx, from.rx};
    }
    return {at, Between(from.tx, to.tx, from.atMs, to.atMs, at), Between(from.rx, to.rx, from.atMs, to.atMs, at)};
}

void VaryRates(SimConfig& config, std::int64_t periodMs) {
    const auto count = static_cast<std::int64_t>(config.stations.size());
    for (std::int64_t i = 0; i < count; ++i) {
        SimStation& station = config.stations[static_cast<std::size_t>(i)];
        const RatePoint high{0, station.txRate, station.rxRate};
        const RatePoint low{0, static_cast<std::uint8_t>(station.txRate / 4),
                            static_cast<std::uint8_t>(station.rxRate / 4)};
        // Highest at `peak`, lowest half a period later, in a straight line between them; the
        // schedule starts with where that wave stands at 0 s.
        const std::int64_t peak = i * periodMs / count;
        const std::int64_t trough = (peak + periodMs / 2) % periodMs;
        std::vector<RatePoint> wave = {{peak, high.tx, high.rx}, {trough, low.tx, low.rx}};
        if (trough < peak) std::swap(wave[0], wave[1]);
        if (wave[0].atMs > 0) {
            const RatePoint& last = wave[1];
            const RatePoint& first = wave[0];
            const std::int64_t lastMs = last.atMs - periodMs;
            wave.insert(wave.begin(), {0, Between(last.tx, first.tx, lastMs, first.atMs, 0),
                                       Between(last.rx, first.rx, lastMs, first.atMs, 0)});
        }
        station.rates = wave;
        station.ratesPeriodMs = periodMs;
        station.ratesShape = RateShape::Ramp;
    }
}

bool ParseDuration(const std::string& text, std::int64_t& ms) {
    static const struct {
        const char* suffix;
        double factor;
    } kUnits[] = {{"ms", 1}, {"s", 1000}, {"m", 60000}, {"", 1000}};
    for (const auto& unit : kUnits) {
        const std::size_t length = std::strlen(unit.suffix);
        if (text.size() <= length || text.compare(text.size() - length, length, unit.suffix) != 0) continue;
        const std::string number = text.substr(0, text.size() - length);
        if (!std::isdigit(static_cast<unsigned char>(number.front()))) return false;
        char* end = nullptr;
        const double value = std::strtod(number.c_str(), &end) * unit.factor;
        if (*end != '\0' || !(value <= static_cast<double>(kLongestDurationMs))) return false;
        ms = std::llround(value);
        return true;
    }
    return false;
}

std::string FormatDuration(std::int64_t ms) {
    return ms % 1000 == 0 ? std::to_string(ms / 1000) + "s" : std::to_string(ms) + "ms";
}

bool ParseRates(const std::string& text, std::vector<RatePoint>& points) {
    std::vector<RatePoint> parsed;
    std::istringstream items(text);
    std::string item;
    while (std::getline(items, item, ',')) {
        std::istringstream words(item);
        std::string when, pair, extra;
        if (!(words >> when >> pair) || (words >> extra)) return false;
        const std::size_t slash = pair.find('/');
        RatePoint point;
        long tx = 0, rx = 0;
        if (!ParseDuration(when, point.atMs) || slash == std::string::npos ||
            !ParseNumber(pair.substr(0, slash), 0, 255, tx) || !ParseNumber(pair.substr(slash + 1), 0, 255, rx))
            return false;
        if (!parsed.empty() && point.atMs <= parsed.back().atMs) return false;
        point.tx = static_cast<std::uint8_t>(tx);
        point.rx = static_cast<std::uint8_t>(rx);
        parsed.push_back(point);
    }
    // getline drops an empty last item: "0s 1/1," is as unreadable as ", 0s 1/1".
    if (parsed.empty() || Trim(text).back() == ',') return false;
    points = parsed;
    return true;
}

std::string FormatRates(const std::vector<RatePoint>& points) {
    std::string text;
    for (const RatePoint& point : points) {
        if (!text.empty()) text += ", ";
        text += FormatDuration(point.atMs) + " " + std::to_string(point.tx) + "/" + std::to_string(point.rx);
    }
    return text;
}

bool ParseMac(const std::string& text, Mac& mac) {
    // Six pairs of hex digits, separated by ':' or '-' or not at all.
    Mac parsed{};
    std::size_t pos = 0;
    for (int i = 0; i < 6; ++i) {
        if (i > 0 && pos < text.size() && (text[pos] == ':' || text[pos] == '-')) ++pos;
        if (pos + 2 > text.size()) return false;
        const int high = HexValue(text[pos]), low = HexValue(text[pos + 1]);
        if (high < 0 || low < 0) return false;
        parsed[i] = static_cast<std::uint8_t>(high * 16 + low);
        pos += 2;
    }
    if (pos != text.size()) return false;
    mac = parsed;
    return true;
}

bool ParseBurstKinds(const std::string& text, unsigned& kinds) {
    static const struct {
        const char* name;
        unsigned bit;
    } kNames[] = {{"unrelated", kBurstUnrelated}, {"foreign", kBurstForeign}, {"mmtypes", kBurstMmtypes},
                  {"spoofed", kBurstSpoofed}};
    unsigned parsed = 0;
    std::istringstream items(text);
    std::string item;
    while (std::getline(items, item, ',')) {
        item = Trim(item);
        unsigned bit = 0;
        for (const auto& known : kNames) {
            if (item == known.name) bit = known.bit;
        }
        if (bit == 0) return false;
        parsed |= bit;
    }
    if (parsed == 0) return false;
    kinds = parsed;
    return true;
}

bool ParseHexBytes(const std::string& text, std::uint8_t* out, std::size_t count) {
    if (text.size() != 2 * count) return false;
    for (std::size_t i = 0; i < count; ++i) {
        const int high = HexValue(text[2 * i]), low = HexValue(text[2 * i + 1]);
        if (high < 0 || low < 0) return false;
        out[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return true;
}

std::string FormatMac(const Mac& mac) {
    char text[18];
    std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2], mac[3], mac[4],
                  mac[5]);
    return text;
}

std::string HexText(const std::uint8_t* bytes, std::size_t count) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text(2 * count, '0');
    for (std::size_t i = 0; i < count; ++i) {
        text[2 * i] = kDigits[bytes[i] >> 4];
        text[2 * i + 1] = kDigits[bytes[i] & 0x0F];
    }
    return text;
}

SimConfig DefaultConfig() {
    SimConfig config;
    const Key nmk = NmkFromNetworkName(kDefaultNetworkName);
    config.local.mac = Mac{0x00, 0xB0, 0x52, 0x5A, 0x00, 0x01};
    config.local.firmware = "PLCSIM-AV-3.1.0-00-20240101";
    config.local.snid = 0x07;
    config.local.tei = 1;
    config.local.role = 2;  // CCo
    config.local.nmk = nmk;
    config.local.restartMs = 1500;
    static const char* const kPasswords[] = {"ALFA-BRAV-OCHA-RLIE", "DELT-AECH-OFOX-TROT", "GOLF-HOTE-LIND-IAJU"};
    for (int i = 0; i < 3; ++i) {
        SimStation station = MakeStation(i);
        station.password = kPasswords[i];
        station.nmk = nmk;
        config.stations.push_back(station);
    }
    return config;
}

std::string FormatConfig(const SimConfig& config) {
    std::ostringstream text;
    const SimLocal& local = config.local;
    text << "[local]\nmac = " << FormatMac(local.mac) << "\nfirmware = " << local.firmware
         << "\nnmk = " << HexText(local.nmk.data(), local.nmk.size()) << "\nsnid = " << int(local.snid)
         << "\ntei = " << int(local.tei) << "\nrole = " << int(local.role) << "\nrestart_ms = " << local.restartMs
         << "\n";
    if (local.nid) text << "nid = " << HexText(local.nid->data(), local.nid->size()) << "\n";
    if (local.ccoMac) text << "cco_mac = " << FormatMac(*local.ccoMac) << "\n";
    if (local.ccoTei) text << "cco_tei = " << int(*local.ccoTei) << "\n";
    for (const SimStation& station : config.stations) {
        text << "[station]\nmac = " << FormatMac(station.mac) << "\ntei = " << int(station.tei)
             << "\nbridged_mac = " << FormatMac(station.bridgedMac) << "\ntx_rate = " << int(station.txRate)
             << "\nrx_rate = " << int(station.rxRate) << "\npassword = " << station.password
             << "\nnmk = " << HexText(station.nmk.data(), station.nmk.size()) << "\nrestart_ms = " << station.restartMs
             << "\nsetkey_status = " << int(station.setKeyStatus) << "\n";
        if (!station.rates.empty()) text << "rates = " << FormatRates(station.rates) << "\n";
        if (station.ratesPeriodMs > 0) text << "rates_period = " << FormatDuration(station.ratesPeriodMs) << "\n";
        if (station.ratesShape == RateShape::Ramp) text << "rates_shape = ramp\n";
    }
    return text.str();
}

bool ParseConfig(const std::string& text, SimConfig& config, std::string& error) {
    SimConfig parsed;
    parsed.local = DefaultConfig().local;
    parsed.faults = config.faults;
    enum class Section { None, Local, Station, Faults } section = Section::None;
    std::istringstream lines(text);
    std::string raw;
    int lineNumber = 0;
    auto fail = [&](const std::string& what) {
        error = "line " + std::to_string(lineNumber) + ": " + what;
        return false;
    };
    while (std::getline(lines, raw)) {
        ++lineNumber;
        const std::size_t comment = raw.find_first_of("#;");
        const std::string line = Trim(comment == std::string::npos ? raw : raw.substr(0, comment));
        if (line.empty()) continue;
        if (line.front() == '[') {
            if (line == "[local]") {
                section = Section::Local;
            } else if (line == "[station]") {
                section = Section::Station;
                parsed.stations.push_back(MakeStation(static_cast<int>(parsed.stations.size()) % 200));
                parsed.stations.back().nmk = NmkFromNetworkName(kDefaultNetworkName);
            } else if (line == "[faults]") {
                section = Section::Faults;
            } else {
                return fail("unknown section " + line);
            }
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) return fail("expected key = value");
        const std::string key = Trim(line.substr(0, equals));
        const std::string value = Trim(line.substr(equals + 1));
        long number = 0;
        auto byteValue = [&](std::uint8_t& out) {
            if (!ParseNumber(value, 0, 255, number)) return false;
            out = static_cast<std::uint8_t>(number);
            return true;
        };
        auto msValue = [&](int& out) {
            if (!ParseNumber(value, 0, 3600000, number)) return false;
            out = static_cast<int>(number);
            return true;
        };
        bool ok = true;
        if (section == Section::Local) {
            SimLocal& local = parsed.local;
            if (key == "mac") ok = ParseMac(value, local.mac);
            else if (key == "firmware") {
                // The version confirmation carries it with its NUL in a 64-byte field.
                ok = value.size() <= 63;
                local.firmware = value;
            }
            else if (key == "nid") {
                Nid nid{};
                ok = ParseHexBytes(value, nid.data(), nid.size());
                local.nid = nid;
            } else if (key == "snid") ok = byteValue(local.snid);
            else if (key == "tei") ok = byteValue(local.tei);
            else if (key == "role") ok = byteValue(local.role);
            else if (key == "cco_mac") {
                Mac mac{};
                ok = ParseMac(value, mac);
                local.ccoMac = mac;
            } else if (key == "cco_tei") {
                std::uint8_t tei = 0;
                ok = byteValue(tei);
                local.ccoTei = tei;
            } else if (key == "nmk") ok = ParseHexBytes(value, local.nmk.data(), local.nmk.size());
            else if (key == "network") local.nmk = NmkFromNetworkName(value);
            else if (key == "restart_ms") ok = msValue(local.restartMs);
            else return fail("unknown key " + key + " in [local]");
        } else if (section == Section::Station) {
            SimStation& station = parsed.stations.back();
            if (key == "mac") ok = ParseMac(value, station.mac);
            else if (key == "tei") ok = byteValue(station.tei);
            else if (key == "bridged_mac") ok = ParseMac(value, station.bridgedMac);
            else if (key == "tx_rate") ok = byteValue(station.txRate);
            else if (key == "rx_rate") ok = byteValue(station.rxRate);
            else if (key == "rates" || key == "rates_period") {
                ok = key == "rates" ? ParseRates(value, station.rates)
                                    : ParseDuration(value, station.ratesPeriodMs) && station.ratesPeriodMs > 0;
                // A time at or past the period would never come round.
                if (ok && station.ratesPeriodMs > 0 && !station.rates.empty() &&
                    station.rates.back().atMs >= station.ratesPeriodMs)
                    return fail("rates_period must be longer than the last time in rates (" +
                                FormatDuration(station.rates.back().atMs) + ")");
            } else if (key == "rates_shape") {
                ok = value == "step" || value == "ramp";
                station.ratesShape = value == "ramp" ? RateShape::Ramp : RateShape::Step;
            } else if (key == "password") station.password = value;
            else if (key == "nmk") ok = ParseHexBytes(value, station.nmk.data(), station.nmk.size());
            else if (key == "network") station.nmk = NmkFromNetworkName(value);
            else if (key == "restart_ms") ok = msValue(station.restartMs);
            else if (key == "setkey_status") ok = byteValue(station.setKeyStatus);
            else return fail("unknown key " + key + " in [station]");
        } else if (section == Section::Faults) {
            SimFaults& faults = parsed.faults;
            if (key == "ignore_network_info") {
                ok = ParseNumber(value, 0, 1000000, number);
                faults.ignoreNetworkInfo = static_cast<int>(number);
            } else if (key == "delay_ms") ok = msValue(faults.delayMs);
            else if (key == "setkey_status") ok = byteValue(faults.setKeyStatusAll);
            else if (key == "burst_kind") ok = ParseBurstKinds(value, faults.burstKinds);
            else if (key == "burst_rate" || key == "stop_after_s") {
                char* end = nullptr;
                const double seconds = std::strtod(value.c_str(), &end);
                ok = !value.empty() && *end == '\0' && seconds >= 0 && seconds <= 100000;
                (key == "burst_rate" ? faults.burstRate : faults.stopAfterSeconds) = seconds;
            } else return fail("unknown key " + key + " in [faults]");
        } else {
            return fail("key outside a section");
        }
        if (!ok) return fail("bad value for " + key + ": " + value);
    }
    // A network-info confirmation must fit in one Ethernet frame: 39 + 15 * n <= 1514.
    if (parsed.stations.size() > 98) return fail("more than 98 stations");
    config = parsed;
    return true;
}

}  // namespace plcsim
