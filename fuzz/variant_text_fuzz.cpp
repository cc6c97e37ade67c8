// Any text, held by a variant as narrow and as wide text, converted to every
// numeric type. A conversion either succeeds or fails with bad_variant_cast;
// narrow and wide text convert alike; and a number converted to text and back
// is the same number (integers exactly, floating values within the six
// digits the text form keeps).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>

#include "fuzz/fuzz_support.h"
#include "scripting/text_conversion.h"
#include "scripting/variant.h"

using nzfuzz::require;

namespace {

template <class T>
std::optional<T> convert(const FB::variant& value) {
  try {
    return value.convertTo<T>();
  } catch (const FB::bad_variant_cast&) {
    return std::nullopt;
  }
}

template <class T>
void check(const std::string& text, const std::optional<std::wstring>& wide) {
  const std::optional<T> number = convert<T>(FB::variant(text));
  if (wide) {
    const std::optional<T> fromWide = convert<T>(FB::variant(*wide));
    require(fromWide.has_value() == number.has_value(), "narrow and wide text convert alike");
    if (number && !(std::is_floating_point_v<T> && std::isnan(static_cast<double>(*number)))) {
      require(*fromWide == *number, "narrow and wide text give the same number");
    }
  }
  if (!number) return;
  const std::string back = FB::variant(*number).convertTo<std::string>();
  const std::optional<T> again = convert<T>(FB::variant(back));
  if constexpr (std::is_integral_v<T>) {
    require(again.has_value() && *again == *number, "an integer survives text and back");
  } else {
    const double value = *number;
    if (again && std::isfinite(value)) {
      require(std::fabs(static_cast<double>(*again) - value) <= std::fabs(value) * 1e-5,
              "a floating value survives text and back to six digits");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::optional<std::wstring> wide;
  try {
    wide = FB::toWide(text);
    if (FB::toUtf8(*wide) != text) wide.reset();  // not valid UTF-8: no wide twin
  } catch (const std::exception&) {
  }
  check<char>(text, wide);
  check<unsigned char>(text, wide);
  check<short>(text, wide);
  check<unsigned short>(text, wide);
  check<int>(text, wide);
  check<unsigned int>(text, wide);
  check<long>(text, wide);
  check<unsigned long>(text, wide);
  check<long long>(text, wide);
  check<unsigned long long>(text, wide);
  check<float>(text, wide);
  check<double>(text, wide);
  return 0;
}
