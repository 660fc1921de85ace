#include "records/epoch_time.h"

#include <charconv>
#include <cmath>

#include "records/step_guard.h"

namespace pelmora {

DateTime Epoch2Date(EpochValue epoch, std::int32_t zone_offset, ErrorLog& log, EpochValue* fraction) {
    auto log_failure = [&log](const Failure& failure, int step) {
        log.LogError(std::to_string(failure.code()), std::to_string(step), ".Epoch2Date", failure.message());
    };
    StepGuard guard(log_failure);

    EpochValue split_fraction;
    DateTime result = 0.0;
    double days = 0.0;

    guard.Step(2945, [&] { split_fraction = EpochValue(); });
    guard.Step(2965, [&] {
        if (epoch > EpochValue::FromInteger(kMillisecondThreshold)) {
            epoch = EpochValue::FromDouble(epoch.ToDouble() * 0.001);
            split_fraction = epoch - epoch.Floor();
        }
    });
    guard.Step(2955, [&] { epoch = epoch + EpochValue::FromInteger(zone_offset); });
    guard.Step(2966, [&] { days = (epoch - split_fraction).ToDouble() / 86400.0; });
    guard.Step(2975, [&] {
        const double value = days + kUnixEpochDate;
        if (!InDateTimeRange(value)) fail_overflow();
        result = value;
    });

    if (fraction != nullptr) *fraction = split_fraction;
    return result;
}

std::int64_t UtcSeconds(EpochValue epoch) {
    const EpochValue seconds = epoch > EpochValue::FromInteger(kMillisecondThreshold)
                                   ? EpochValue::FromDouble(epoch.ToDouble() * 0.001)
                                   : epoch;
    return static_cast<std::int64_t>(seconds.Floor().ToDouble());
}

std::string GeneralNumberText(double value) {
    if (value == 0.0) return "0";
    char buffer[64];
    auto done = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, done.ptr);
}

std::optional<std::int32_t> GetZoneOffset(const TimeZoneSource& zone, ControlsView& view) {
    const ZoneState state = zone.GetTimeZoneInformation();
    std::int32_t seconds = 0;
    switch (state.code) {
        case 0: return 0;
        case 1: {
            std::int32_t minutes = 0;
            if (__builtin_sub_overflow(0, state.bias, &minutes) || __builtin_mul_overflow(minutes, 60, &seconds)) {
                fail_overflow();
            }
            view.set_text("Zone", GeneralNumberText(-static_cast<double>(state.bias) / 60.0));
            return seconds;
        }
        case 2: {
            std::int32_t minutes = 0;
            if (__builtin_sub_overflow(60, state.bias, &minutes) || __builtin_mul_overflow(minutes, 60, &seconds)) {
                fail_overflow();
            }
            view.set_text("Zone", GeneralNumberText(-(static_cast<double>(state.bias) / 60.0 - 1.0)));
            return seconds;
        }
        default: return std::nullopt;
    }
}

}  // namespace pelmora
