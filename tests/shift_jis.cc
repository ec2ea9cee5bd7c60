#include "tests/shift_jis.h"

#include <iconv.h>

namespace growth::testing {

std::string DecodeShiftJis(std::string_view bytes) {
  const iconv_t converter = iconv_open("UTF-8", "SHIFT_JIS");
  if (converter == reinterpret_cast<iconv_t>(-1)) return "(no Shift_JIS converter)";
  std::string in(bytes);
  std::string out(bytes.size() * 3 + 1, '\0');
  char* in_at = in.data();
  char* out_at = out.data();
  size_t in_left = in.size();
  size_t out_left = out.size();
  const size_t done = iconv(converter, &in_at, &in_left, &out_at, &out_left);
  iconv_close(converter);
  if (done == static_cast<size_t>(-1) || in_left != 0) return "(not Shift_JIS)";
  out.resize(out.size() - out_left);
  return out;
}

}  // namespace growth::testing
