#include "catalogue/signature_file.h"

#include <cstdio>
#include <ctime>
#include <vector>

#include "catalogue/signed_text_lines.h"
#include "platform/base64.h"
#include "platform/calendar_time.h"
#include "support/dates.h"

namespace {

constexpr std::string_view kFirstLine = "ostrel-signature 1";
constexpr std::size_t kMostSerialDigits = 18;
constexpr std::size_t kKeyBytes = 32;
constexpr std::size_t kSignatureBytes = 64;

bool AllDigits(std::string_view text) {
  if (text.empty())
    return false;
  for (char c : text) {
    if (c < '0' || c > '9')
      return false;
  }
  return true;
}

int Number(std::string_view digits) {
  int value = 0;
  for (char c : digits)
    value = value * 10 + (c - '0');
  return value;
}

SignatureDate FromTime(std::time_t when) {
  const std::tm utc = platform::UtcTime(when);
  return {utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday};
}

std::optional<SignatureFile> Refuse(std::string* why, const char* reason) {
  if (why != nullptr)
    *why = reason;
  return std::nullopt;
}

}  // namespace

std::optional<SignatureDate> SignatureDate::FromText(std::string_view text) {
  if (text.size() != 10 || text[2] != '/' || text[5] != '/' || !AllDigits(text.substr(0, 2)) ||
      !AllDigits(text.substr(3, 2)) || !AllDigits(text.substr(6, 4)))
    return std::nullopt;
  const SignatureDate date{Number(text.substr(6, 4)), Number(text.substr(3, 2)),
                           Number(text.substr(0, 2))};
  if (date.year < 1970 || date.month < 1 || date.month > 12 || date.day < 1 ||
      date.day > DaysInMonth(date.year, date.month))
    return std::nullopt;
  return date;
}

SignatureDate SignatureDate::Today() {
  return FromTime(std::time(nullptr));
}

SignatureDate SignatureDate::DaysFromToday(int days) {
  return FromTime(std::time(nullptr) + static_cast<std::time_t>(days) * 24 * 60 * 60);
}

std::string SignatureDate::Text() const {
  char text[16];
  std::snprintf(text, sizeof text, "%02d/%02d/%04d", day, month, year);
  return text;
}

std::optional<SignatureFile> ReadSignatureFile(std::string_view text, std::string* why) {
  std::vector<std::string_view> lines = SignedTextLines(text);
  if (!lines.empty() && lines.back().empty())
    lines.pop_back();  // the final line break
  if (lines.empty() || lines[0] != kFirstLine)
    return Refuse(why, "not an ostrel-signature 1 file");
  if (lines.size() != 5)
    return Refuse(why, "not five lines");

  SignatureFile file;
  const auto key = SignedTextField(lines[1], "key");
  const auto keyBytes = key ? platform::Base64Decode(*key) : std::nullopt;
  if (!keyBytes || keyBytes->size() != kKeyBytes)
    return Refuse(why, "no readable key line");
  file.publicKey = *keyBytes;

  const auto serial = SignedTextField(lines[2], "serial");
  if (!serial || !AllDigits(*serial) || serial->size() > kMostSerialDigits)
    return Refuse(why, "no readable serial line");
  for (char c : *serial)
    file.serial = file.serial * 10 + static_cast<std::uint64_t>(c - '0');

  const auto expires = SignedTextField(lines[3], "expires");
  const auto date = expires ? SignatureDate::FromText(*expires) : std::nullopt;
  if (!date)
    return Refuse(why, "no readable expires line");
  file.expires = *date;

  const auto signature = SignedTextField(lines[4], "signature");
  const auto signatureBytes = signature ? platform::Base64Decode(*signature) : std::nullopt;
  if (!signatureBytes || signatureBytes->size() != kSignatureBytes)
    return Refuse(why, "no readable signature line");
  file.signature = *signatureBytes;
  return file;
}

std::string SignedMessage(const SignatureFile& file, std::string_view catalogue) {
  std::string message(kFirstLine);
  message += "\nkey " + platform::Base64Encode(file.publicKey);
  message += "\nserial " + std::to_string(file.serial);
  message += "\nexpires " + file.expires.Text() + "\n";
  message += catalogue;
  return message;
}

std::string FormatSignatureFile(const SignatureFile& file) {
  return SignedMessage(file, "") + "signature " + platform::Base64Encode(file.signature) + "\n";
}
