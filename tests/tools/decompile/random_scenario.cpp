#include "tests/tools/decompile/random_scenario.hpp"

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

namespace borgo::testing {
namespace {

class Draw {
 public:
  explicit Draw(std::mt19937& random) : random_(random) {}

  std::int32_t between(std::int32_t low, std::int32_t high) {
    return std::uniform_int_distribution<std::int32_t>(low, high)(random_);
  }
  bool chance(int percent) { return between(1, 100) <= percent; }
  // A multiple of `step` between low and high.
  std::int32_t on_grid(std::int32_t low, std::int32_t high, std::int32_t step) {
    return between(low / step, high / step) * step;
  }
  template <typename T, std::size_t N>
  const T& one_of(const std::array<T, N>& options) {
    return options[static_cast<std::size_t>(between(0, static_cast<std::int32_t>(N) - 1))];
  }

 private:
  std::mt19937& random_;
};

// Appends "key, a, b, ..." and CR LF.
template <typename... Values>
void row(std::string& out, std::string_view key, Values... values) {
  out += key;
  ((out += ", " + std::to_string(values)), ...);
  out += "\r\n";
}

void shuffle_now_and_then(Draw& d, std::vector<std::string>& rows) {
  if (!d.chance(15)) return;
  for (std::size_t i = rows.size(); i > 1; --i) {
    std::swap(rows[i - 1],
              rows[static_cast<std::size_t>(d.between(0, static_cast<std::int32_t>(i) - 1))]);
  }
}

// Texts as authors write them, with the ones that need quotes.
std::string text(Draw& d) {
  static constexpr std::array<std::string_view, 8> kTexts{
      "Cippo", "(  Cippo  )(Km 28+000)", "\"Porto, molo\"", "Santa Marinella",
      "",      "\"  spazi  \"",          "Bivio - nord",    "Roma San Pietro"};
  return std::string(d.one_of(kTexts));
}

std::string line_description(Draw& d, std::int32_t length) {
  std::string out = "[generale]\r\n";
  row(out, "lunghezza percorso", length);
  static constexpr std::array<std::string_view, 3> kProgressive{"progressiva chilometrica uno",
                                                                "progressiva chilometrica due",
                                                                "progressiva chilometrica tre"};
  for (const std::string_view key : kProgressive) {
    if (d.chance(40)) {
      row(out, key, d.on_grid(0, length, 50), d.on_grid(-400000, 400000, 50), d.between(0, 2));
    }
  }
  row(out, "sfondo uno", d.between(0, 3));
  row(out, "sfondo due", d.between(0, 3));
  row(out, "sfondo tre", d.between(0, 3));
  if (d.chance(70)) {
    const std::int32_t from = d.on_grid(0, length / 2, 50);
    const std::int32_t to = d.chance(15) ? 0 : d.on_grid(from, length, 50);
    row(out, d.chance(50) ? "ripetizione segnali 4 codici" : "ripetizione segnali 9 codici", from,
        to);
  }

  out += "[curve]\r\n";
  for (std::int32_t at = d.between(0, 2000); at < length - 500; at += d.between(200, 3000)) {
    // Some curves start before the last one ended: they are shortened.
    const std::int32_t start = std::max(0, at - (d.chance(15) ? d.between(1, 300) : 0));
    const std::int32_t turn = d.between(1, 6);
    out += std::string("curva") + (d.chance(50) ? "s" : "d") + std::to_string(turn);
    row(out, "", start, d.between(20, 900));
    at = start;
  }
  // Profile rows and montagna ranges mostly in the line's order, now and
  // then in any order.
  std::vector<std::string> rows;
  const bool steep = d.chance(10);
  for (std::int32_t p = d.chance(80) ? 0 : d.between(1, 500); p < length + 6000;
       p += d.between(1, 1500)) {
    std::string r;
    row(r, "pendenza", p, steep ? d.between(-100, 155) : d.between(-25, 25));
    rows.push_back(r);
  }
  shuffle_now_and_then(d, rows);
  out += "[pendenze]\r\n";
  for (const std::string& r : rows) out += r;
  rows.clear();
  std::int32_t m = d.between(0, 3000);
  for (int n = d.between(0, 8); n > 0 && m < length; --n) {
    const std::int32_t end = m + d.between(60, 3000);
    std::string r;
    row(r, "montagna", m, end, d.between(1, 13));
    rows.push_back(r);
    // Next: far, just after (joined as type 3), or overlapping.
    m = end + (d.chance(60) ? d.between(151, 4000) : d.between(-400, 150));
    m = std::max(m, 0);
  }
  shuffle_now_and_then(d, rows);
  out += "[montagne]\r\n";
  for (const std::string& r : rows) out += r;
  out += "[cartelli]\r\n";
  for (int n = d.between(0, 8); n > 0; --n) {
    if (d.chance(50)) {
      row(out, "indicatori_vmax", d.between(0, length), d.on_grid(30, 180, 5),
          d.on_grid(30, 180, 5), d.on_grid(30, 180, 5), d.between(0, 3), 0, 0, 0, d.between(0, 3));
    } else {
      const std::int32_t a = d.on_grid(30, 180, 5);
      const std::int32_t b = d.on_grid(30, 180, 5);
      const std::int32_t c = d.on_grid(30, 180, 5);
      row(out, "indicatori_vmax", d.between(0, length), a, b, c, d.between(0, 3), a, b, c,
          d.between(0, 3));
    }
  }
  out += "[indicazioni]\r\n";
  for (int n = d.between(0, 6); n > 0; --n) {
    out += "cartello_indicatore, " + std::to_string(d.between(0, length)) + ", " + text(d) + "\r\n";
  }
  out += "[fine]\r\n";
  return out;
}

std::string station(Draw& d, std::int32_t position, std::int32_t type, std::int32_t zone) {
  std::string out = "stazione, " + std::to_string(position) + ", " + std::to_string(type) + ", " +
                    std::to_string(zone);
  for (int column = 4; column <= 13; ++column) {
    const bool byte = column == 4 || column == 5 || column == 6 || column == 9 || column == 13;
    out += ", " + std::to_string(byte ? d.between(0, 3) : d.between(-2, 6));
  }
  out += ", " + std::to_string(d.between(0, 23)) + ", " + std::to_string(d.between(0, 59)) + ", " +
         std::to_string(d.between(0, 59)) + ", " + text(d) + "\r\n";
  return out;
}

std::string train_description(Draw& d, std::int32_t length) {
  std::string out = "[generale]\r\n";
  row(out, "numero vetture", d.between(1, 14));
  row(out, "percentuale massa frenata", d.between(60, 160));
  row(out, "sabbia", d.between(0, 300));
  row(out, "orologio", d.between(0, 23), d.between(0, 59), d.between(0, 59));
  out += "[aderenze]\r\n";
  for (std::int32_t p = 0; p < length; p += d.between(500, 20000)) {
    row(out, "aderenza", p, d.between(40, 300));
  }
  out += "[vel_limite]\r\n";
  for (std::int32_t p = 0; p < length; p += d.between(300, 8000)) {
    row(out, "velocita", p, d.on_grid(30, 200, 5));
  }

  // Stations in order with their zones apart, and the other rows at
  // random places among them.
  std::vector<std::string> stations;
  static constexpr std::array<std::int32_t, 10> kTypes{1, 5, 6, 7, 8, 12, 12, 14, 25, 30};
  std::int32_t previous_end = -1000000;
  for (std::int32_t p = d.on_grid(0, 3000, 50); p + 800 < length && stations.size() < 8;
       p += d.on_grid(1000, 12000, 50)) {
    const std::int32_t type = d.one_of(kTypes);
    const std::int32_t zone = d.on_grid(200, 900, 100);
    const std::int32_t start = (type >= 5 && type <= 8) ? p - zone : p - zone / 2;
    const std::int32_t end = type == 5 || type == 6   ? p + 150
                             : type == 7 || type == 8 ? p + zone
                                                      : p + zone / 2 + 50;
    if (start - 350 < previous_end || end <= 150) continue;
    stations.push_back(station(d, p, type, zone));
    previous_end = end;
  }
  std::vector<std::string> others;
  for (int n = d.between(0, 4); n > 0; --n) {
    const std::int32_t v = d.on_grid(30, 150, 10);
    others.push_back("rallentamento, " + std::to_string(d.between(0, length - 1500)) + ", " +
                     std::to_string(v) + ", " + std::to_string(d.between(0, 1500)) + ", " +
                     std::to_string(d.between(0, 1)) + ", " + std::to_string(d.between(0, 1)) +
                     ", " + std::to_string(d.chance(70) ? v : 0) + "\r\n");
  }
  for (int n = d.between(0, 30); n > 0; --n) {
    std::string signal = "segnale, " + std::to_string(d.between(400, length));
    signal += ", " + std::to_string(d.between(0, 2));  // sx
    for (int k = 0; k < 3; ++k) signal += ", " + std::to_string(d.between(0, 9));
    signal += ", " + std::to_string(d.between(0, 3));  // rapp
    signal += ", " + std::to_string(d.between(0, 2));  // dx
    for (int k = 0; k < 3; ++k) signal += ", " + std::to_string(d.between(0, 9));
    signal += ", " + std::to_string(d.between(0, 255)) + "\r\n";  // tempo
    others.push_back(signal);
  }
  for (int n = d.between(0, 12); n > 0; --n) {
    others.push_back("abbattimento, " + std::to_string(d.between(0, length)) + ", " +
                     std::to_string(d.chance(20) ? 0 : d.between(1, 400)) + "\r\n");
  }
  // Now and then a code point right in front of a signal, with a slow-down
  // whose warning board follows within 1000 m: the code pass lowers it.
  if (d.chance(30) && length > 4000) {
    const std::int32_t p = d.between(400, length - 3000);
    others.push_back("segnale, " + std::to_string(p) + ", 1, 1, 1, 1, 0, 1, 1, 1, 1, 0\r\n");
    for (const std::int32_t before : {p, p - 50}) {
      others.push_back("abbattimento, " + std::to_string(before) + ", " +
                       std::to_string(d.between(150, 300)) + "\r\n");
    }
    others.push_back("rallentamento, " + std::to_string(p + 1250 + d.between(0, 900)) +
                     ", 60, 400, 0, 1, 60\r\n");
  }
  std::vector<std::string> rows = stations;
  for (const std::string& r : others) {
    rows.insert(rows.begin() + d.between(0, static_cast<std::int32_t>(rows.size())), r);
  }
  // The stations keep their order: put them back in it.
  std::size_t next_station = 0;
  for (std::string& r : rows) {
    if (r.rfind("stazione", 0) == 0) r = stations[next_station++];
  }
  out += "[stazioni]\r\n";
  for (const std::string& r : rows) out += r;
  out += "[fine]\r\n";
  return out;
}

}  // namespace

RandomScenario draw_scenario(std::mt19937& random) {
  Draw d(random);
  const std::int32_t length = d.between(3000, 40000);
  return {line_description(d, length), train_description(d, length)};
}

}  // namespace borgo::testing
