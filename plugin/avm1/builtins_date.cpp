// Date: a time value in milliseconds since 1970 (UTC), the ECMA-262 calendar
// arithmetic, local time through the host's time zone, and the player's
// text form ("Wed Dec 8 07:20:23 GMT+0100 2004").
#include <cmath>
#include <cstdio>

#include "avm1/engine.h"
#include "avm1/runtime.h"

namespace avm1 {

namespace {

const double kMsPerDay = 86400000.0;

double day_of(double t) { return std::floor(t / kMsPerDay); }
double time_within_day(double t) {
  double r = std::fmod(t, kMsPerDay);
  return r < 0 ? r + kMsPerDay : r;
}
double days_in_year(double y) {
  if (std::fmod(y, 4) != 0) return 365;
  if (std::fmod(y, 100) != 0) return 366;
  if (std::fmod(y, 400) != 0) return 365;
  return 366;
}
double day_from_year(double y) {
  return 365 * (y - 1970) + std::floor((y - 1969) / 4) - std::floor((y - 1901) / 100) +
         std::floor((y - 1601) / 400);
}
double time_from_year(double y) { return kMsPerDay * day_from_year(y); }
double year_from_time(double t) {
  double y = std::floor(t / (kMsPerDay * 365.2425)) + 1970;
  // Far from 1970 the estimate may be off by more than the steps can fix
  // (or a step may not change y at all): bounded either way.
  for (int i = 0; i < 64 && time_from_year(y) > t; ++i) --y;
  for (int i = 0; i < 64 && time_from_year(y + 1) <= t; ++i) ++y;
  return y;
}
bool leap(double t) { return days_in_year(year_from_time(t)) == 366; }
double day_within_year(double t) { return day_of(t) - day_from_year(year_from_time(t)); }
int month_from_time(double t) {
  double d = day_within_year(t);
  int l = leap(t) ? 1 : 0;
  if (d < 31) return 0;
  if (d < 59 + l) return 1;
  if (d < 90 + l) return 2;
  if (d < 120 + l) return 3;
  if (d < 151 + l) return 4;
  if (d < 181 + l) return 5;
  if (d < 212 + l) return 6;
  if (d < 243 + l) return 7;
  if (d < 273 + l) return 8;
  if (d < 304 + l) return 9;
  if (d < 334 + l) return 10;
  return 11;
}
double date_from_time(double t) {
  static const int starts[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  int m = month_from_time(t);
  double d = day_within_year(t);
  double start = starts[m] + (m >= 2 && leap(t) ? 1 : 0);
  return d - start + 1;
}
double week_day(double t) {
  double r = std::fmod(day_of(t) + 4, 7);
  return r < 0 ? r + 7 : r;
}
double hour_from_time(double t) { return std::floor(time_within_day(t) / 3600000.0); }
double min_from_time(double t) { return std::fmod(std::floor(time_within_day(t) / 60000.0), 60); }
double sec_from_time(double t) { return std::fmod(std::floor(time_within_day(t) / 1000.0), 60); }
double ms_from_time(double t) { return std::fmod(time_within_day(t), 1000); }

double make_time(double h, double m, double s, double ms) {
  return h * 3600000.0 + m * 60000.0 + s * 1000.0 + ms;
}
double make_day(double year, double month, double date) {
  if (!std::isfinite(year) || !std::isfinite(month) || !std::isfinite(date)) return std::nan("");
  double y = year + std::floor(month / 12);
  double mn = std::fmod(month, 12);
  if (mn < 0) mn += 12;
  static const int starts[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  double day =
      day_from_year(y) + starts[static_cast<int>(mn)] + (mn >= 2 && days_in_year(y) == 366 ? 1 : 0);
  return day + date - 1;
}
double make_date(double day, double time) { return day * kMsPerDay + time; }
// The player keeps times beyond the ECMA range; only non-finite ones are
// invalid.
double time_clip(double t) {
  if (!std::isfinite(t)) return std::nan("");
  return std::trunc(t);
}

int offset_minutes(Runtime& rt, double utc) {
  return rt.engine() ? rt.engine()->host().local_offset_minutes(utc) : 0;
}
double local_time(Runtime& rt, double utc) { return utc + offset_minutes(rt, utc) * 60000.0; }
double utc_time(Runtime& rt, double local) {
  return local - offset_minutes(rt, local - offset_minutes(rt, local) * 60000.0) * 60000.0;
}

// A year given with the fields: whole years, two-digit (and smaller) ones
// in the 1900s, and year 0 for one that is not a number at all.
double full_year(double y) {
  if (!std::isfinite(y)) return 0;
  y = std::floor(y);
  return y < 100 ? 1900 + y : y;
}

PrimitiveObject* date_of(CallInfo& call) {
  Object* o = call.this_object();
  if (!o || o->object_class() != ObjectClass::date) return nullptr;
  return static_cast<PrimitiveObject*>(o);
}

double now(Runtime& rt) {
  if (rt.engine()) return std::floor(rt.engine()->host().wall_clock_ms());
  return 0;
}

// A time given as one number is kept as it is, fractions included.
Object* make_date_object(Runtime& rt, double t) {
  auto* d = rt.heap().make<PrimitiveObject>(ObjectClass::date);
  d->set_proto(rt.known().date_prototype);
  d->primitive = Value::number(std::isfinite(t) ? t : std::nan(""));
  return d;
}

Value date_constructor(Runtime& rt, CallInfo& call) {
  double t;
  if (call.count == 0 || (call.count == 1 && call.arg(0).is_undefined())) {
    t = now(rt);
  } else if (call.count == 1) {
    t = rt.to_number(call.arg(0));
  } else {
    double f[7] = {0, 0, 1, 0, 0, 0, 0};
    for (size_t i = 0; i < 7 && i < call.count; ++i) f[i] = rt.to_number(call.args[i]);
    double year = full_year(f[0]);
    t = time_clip(
        utc_time(rt, make_date(make_day(year, f[1], f[2]), make_time(f[3], f[4], f[5], f[6]))));
  }
  Object* d = make_date_object(rt, t);
  if (!call.constructing) return Value(rt.to_string(Value::object(d)));
  return Value::object(d);
}

std::string date_text(Runtime& rt, double t) {
  if (std::isnan(t)) return "Invalid Date";
  static const char* days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  int offset = offset_minutes(rt, t);
  double l = t + offset * 60000.0;
  char buffer[96];
  int a = offset < 0 ? -offset : offset;
  std::snprintf(buffer, sizeof buffer, "%s %s %d %02d:%02d:%02d GMT%c%02d%02d %.0f",
                days[static_cast<int>(week_day(l))], months[month_from_time(l)],
                static_cast<int>(date_from_time(l)), static_cast<int>(hour_from_time(l)),
                static_cast<int>(min_from_time(l)), static_cast<int>(sec_from_time(l)),
                offset < 0 ? '-' : '+', a / 60, a % 60, year_from_time(l));
  return buffer;
}

Value date_to_string(Runtime& rt, CallInfo& call) {
  PrimitiveObject* d = date_of(call);
  if (!d) return Value("Invalid Date");
  return Value(date_text(rt, d->primitive.as_number()));
}

Value date_value_of(Runtime&, CallInfo& call) {
  PrimitiveObject* d = date_of(call);
  if (!d) return Value::number(std::nan(""));
  return d->primitive;
}

// Getters: which field, and local or UTC.
enum Field { kYear, kMonth, kDate, kDay, kHours, kMinutes, kSeconds, kMilliseconds, kShortYear };

double field(double t, Field f) {
  switch (f) {
    case kYear:
      return year_from_time(t);
    case kShortYear:
      return year_from_time(t) - 1900;
    case kMonth:
      return month_from_time(t);
    case kDate:
      return date_from_time(t);
    case kDay:
      return week_day(t);
    case kHours:
      return hour_from_time(t);
    case kMinutes:
      return min_from_time(t);
    case kSeconds:
      return sec_from_time(t);
    case kMilliseconds:
      return ms_from_time(t);
  }
  return 0;
}

template <Field F, bool Utc>
Value date_get(Runtime& rt, CallInfo& call) {
  PrimitiveObject* d = date_of(call);
  if (!d) return Value();
  double t = d->primitive.as_number();
  if (std::isnan(t)) return Value::number(t);
  return Value::number(field(Utc ? t : local_time(rt, t), F));
}

Value date_get_timezone_offset(Runtime& rt, CallInfo& call) {
  PrimitiveObject* d = date_of(call);
  if (!d) return Value();
  double t = d->primitive.as_number();
  return Value::number(-offset_minutes(rt, std::isnan(t) ? 0 : t));
}

Value date_set_time(Runtime& rt, CallInfo& call) {
  PrimitiveObject* d = date_of(call);
  if (!d) return Value();
  // No time at all makes the date invalid in every version.
  double t = call.arg(0).is_undefined() ? std::nan("") : rt.to_number(call.arg(0));
  d->primitive = Value::number(time_clip(t));
  return d->primitive;
}

// Setters take the first field they change and optionally the following
// ones; missing ones keep their values.
template <Field F, bool Utc>
Value date_set(Runtime& rt, CallInfo& call) {
  PrimitiveObject* d = date_of(call);
  if (!d) return Value();
  double t = d->primitive.as_number();
  if (std::isnan(t)) {
    if (F != kYear && F != kShortYear) return d->primitive;
    t = 0;
  }
  double l = Utc ? t : local_time(rt, t);
  double year = year_from_time(l), month = month_from_time(l), date = date_from_time(l);
  double h = hour_from_time(l), m = min_from_time(l), s = sec_from_time(l), ms = ms_from_time(l);
  auto arg = [&](size_t i, double current) {
    return i < call.count ? rt.to_number(call.args[i]) : current;
  };
  switch (F) {
    case kYear:
      year = arg(0, year);
      month = arg(1, month);
      date = arg(2, date);
      break;
    case kShortYear: {
      year = arg(0, year);
      double yi = std::trunc(year);
      if (yi >= 0 && yi <= 99) year = 1900 + yi;
      // Like setFullYear, the month and the day may follow.
      month = arg(1, month);
      date = arg(2, date);
      break;
    }
    case kMonth:
      month = arg(0, month);
      date = arg(1, date);
      break;
    case kDate:
      date = arg(0, date);
      break;
    case kHours:
      h = arg(0, h);
      m = arg(1, m);
      s = arg(2, s);
      ms = arg(3, ms);
      break;
    case kMinutes:
      m = arg(0, m);
      s = arg(1, s);
      ms = arg(2, ms);
      break;
    case kSeconds:
      s = arg(0, s);
      ms = arg(1, ms);
      break;
    case kMilliseconds:
      ms = arg(0, ms);
      break;
    default:
      break;
  }
  double result = make_date(make_day(year, month, date), make_time(h, m, s, ms));
  if (!Utc) result = utc_time(rt, result);
  d->primitive = Value::number(time_clip(result));
  return d->primitive;
}

Value date_utc(Runtime& rt, CallInfo& call) {
  // The player wants at least a year and a month here.
  if (call.count < 2 || call.arg(0).is_undefined()) return Value();
  double f[7] = {0, 0, 1, 0, 0, 0, 0};
  for (size_t i = 0; i < 7 && i < call.count; ++i) f[i] = rt.to_number(call.args[i]);
  double year = full_year(f[0]);
  return Value::number(
      time_clip(make_date(make_day(year, f[1], f[2]), make_time(f[3], f[4], f[5], f[6]))));
}

}  // namespace

void install_date_builtins(Runtime& rt) {
  WellKnown& k = rt.known();
  Object* proto = rt.make_object();
  k.date_prototype = proto;
  FunctionObject* ctor = rt.make_class(date_constructor, proto);
  ctor->makes_own_object = true;
  k.date_constructor = ctor;
  rt.global()->define("Date", Value::object(ctor), kDontEnum);
  rt.add_method(ctor, "UTC", date_utc);
  const std::pair<const char*, NativeFunction> methods[] = {
      {"getFullYear", date_get<kYear, false>},
      {"getYear", date_get<kShortYear, false>},
      {"getMonth", date_get<kMonth, false>},
      {"getDate", date_get<kDate, false>},
      {"getDay", date_get<kDay, false>},
      {"getHours", date_get<kHours, false>},
      {"getMinutes", date_get<kMinutes, false>},
      {"getSeconds", date_get<kSeconds, false>},
      {"getMilliseconds", date_get<kMilliseconds, false>},
      {"getUTCFullYear", date_get<kYear, true>},
      {"getUTCYear", date_get<kShortYear, true>},
      {"getUTCMonth", date_get<kMonth, true>},
      {"getUTCDate", date_get<kDate, true>},
      {"getUTCDay", date_get<kDay, true>},
      {"getUTCHours", date_get<kHours, true>},
      {"getUTCMinutes", date_get<kMinutes, true>},
      {"getUTCSeconds", date_get<kSeconds, true>},
      {"getUTCMilliseconds", date_get<kMilliseconds, true>},
      {"setFullYear", date_set<kYear, false>},
      {"setYear", date_set<kShortYear, false>},
      {"setMonth", date_set<kMonth, false>},
      {"setDate", date_set<kDate, false>},
      {"setHours", date_set<kHours, false>},
      {"setMinutes", date_set<kMinutes, false>},
      {"setSeconds", date_set<kSeconds, false>},
      {"setMilliseconds", date_set<kMilliseconds, false>},
      {"setUTCFullYear", date_set<kYear, true>},
      {"setUTCMonth", date_set<kMonth, true>},
      {"setUTCDate", date_set<kDate, true>},
      {"setUTCHours", date_set<kHours, true>},
      {"setUTCMinutes", date_set<kMinutes, true>},
      {"setUTCSeconds", date_set<kSeconds, true>},
      {"setUTCMilliseconds", date_set<kMilliseconds, true>},
      {"getTime", date_value_of},
      {"valueOf", date_value_of},
      {"setTime", date_set_time},
      {"getTimezoneOffset", date_get_timezone_offset},
      {"toString", date_to_string},
  };
  for (const auto& m : methods) rt.add_method(proto, m.first, m.second);
}

}  // namespace avm1
