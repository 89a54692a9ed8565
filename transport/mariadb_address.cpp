#include "transport/mariadb_address.h"

#include <charconv>

namespace morvane::transport {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool Decode(std::string_view text, std::string& out) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return false;
    const int high = HexDigit(text[i + 1]);
    const int low = HexDigit(text[i + 2]);
    if (high < 0 || low < 0) return false;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return true;
}

constexpr std::string_view kPasswordRefused =
    "В строке соединения MariaDB не должно быть пароля: клиент берёт его из своих файлов "
    "настроек (~/.my.cnf, группа [client])";

}  // namespace

bool IsMariaDbSetting(std::string_view value) {
  return value.substr(0, 10) == "mariadb://" || value.substr(0, 8) == "mysql://";
}

std::optional<MariaDbAddress> ParseMariaDbAddress(std::string_view value, std::string& problem) {
  const size_t schemeEnd = value.find("://");
  if (!IsMariaDbSetting(value) || schemeEnd == std::string_view::npos) {
    problem = "строка должна начинаться с mariadb:// или mysql://";
    return std::nullopt;
  }
  std::string_view rest = value.substr(schemeEnd + 3);
  std::string_view query;
  if (const size_t mark = rest.find('?'); mark != std::string_view::npos) {
    query = rest.substr(mark + 1);
    rest = rest.substr(0, mark);
  }
  std::string_view authority = rest;
  std::string_view path;
  if (const size_t slash = rest.find('/'); slash != std::string_view::npos) {
    authority = rest.substr(0, slash);
    path = rest.substr(slash + 1);
  }
  MariaDbAddress address;
  if (const size_t at = authority.rfind('@'); at != std::string_view::npos) {
    const std::string_view userPart = authority.substr(0, at);
    if (userPart.find(':') != std::string_view::npos) {
      problem = kPasswordRefused;
      return std::nullopt;
    }
    if (!Decode(userPart, address.user)) {
      problem = "неверная escape-последовательность в имени пользователя";
      return std::nullopt;
    }
    authority = authority.substr(at + 1);
  }
  std::string_view hostPart = authority;
  if (const size_t colon = authority.rfind(':');
      colon != std::string_view::npos && authority.find(']') == std::string_view::npos) {
    hostPart = authority.substr(0, colon);
    const std::string_view portText = authority.substr(colon + 1);
    const auto [end, error] =
        std::from_chars(portText.data(), portText.data() + portText.size(), address.port);
    if (error != std::errc() || end != portText.data() + portText.size() || address.port == 0 ||
        address.port > 65535) {
      problem = "неверный номер порта: " + std::string(portText);
      return std::nullopt;
    }
  }
  if (!Decode(hostPart, address.host) || !Decode(path, address.database) ||
      address.database.find('/') != std::string::npos) {
    problem = "неверное имя сервера или базы данных";
    return std::nullopt;
  }
  while (!query.empty()) {
    const size_t amp = query.find('&');
    const std::string_view pair = query.substr(0, amp);
    query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
    const size_t equals = pair.find('=');
    const std::string_view key = pair.substr(0, equals);
    const std::string_view text =
        equals == std::string_view::npos ? std::string_view() : pair.substr(equals + 1);
    if (key == "password") {
      problem = kPasswordRefused;
      return std::nullopt;
    }
    if (key != "socket" || !Decode(text, address.socket) || address.socket.empty()) {
      problem = "неизвестный параметр: " + std::string(pair) + " (допустим только socket=ПУТЬ)";
      return std::nullopt;
    }
  }
  return address;
}

}  // namespace morvane::transport
