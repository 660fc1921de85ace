#include "readings/pelmora_read.h"

#include <optional>
#include <string_view>

#include "phases/phase_detail.h"
#include "readings/finished_read.h"
#include "readings/number_text.h"
#include "readings/readings_parser.h"
#include "records/date_time.h"
#include "records/epoch_time.h"
#include "records/epoch_value.h"
#include "records/output_file.h"
#include "records/step_guard.h"

namespace pelmora {

namespace {

constexpr std::string_view kReset[] = {"TimeStamp", "Production", "Grid", "S1", "S2", "S3", "G1", "G2", "G3"};
constexpr std::string_view kSolarBoxes[] = {"S1", "S2", "S3"};
constexpr std::string_view kGridBoxes[] = {"G1", "G2", "G3"};

std::string without_commas(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c != ',') out += c;
    }
    return out;
}

// The number a figure box stands for; nothing for a box that is no figure.
double* figure_of(ShownFigures& shown, std::string_view box) {
    if (box == "Production") return &shown.production_w;
    if (box == "Consumption") return &shown.consumption_w;
    if (box == "Grid") return &shown.grid_w;
    for (std::size_t i = 0; i < 3; ++i) {
        if (box == kSolarBoxes[i]) return &shown.phases[i].solar_w;
        if (box == kGridBoxes[i]) return &shown.phases[i].grid_w;
    }
    return nullptr;
}

// Puts `value`'s figure in `box` and keeps the number it shows.
void put_figure(ControlsView& view, FormValues& form, std::string_view box, double value) {
    view.set_text(box, FormatTenths(value));
    if (double* figure = figure_of(form.Shown, box)) *figure = ShownTenths(value);
}

// The sign-and-colour rule: a figure below zero is an export, shown green and
// without its sign; zero or above is an import, shown light red. The box's
// number keeps its sign.
void sign_and_colour(ControlsView& view, std::string_view box, bool grid_form) {
    const std::string text = view.text(box);
    if (LeadingNumber(text) < 0) {
        view.set_back_color(box, kExportGreen);
        if (grid_form) {
            view.set_text(box, [&] {
                std::string positive;
                for (char c : text) {
                    if (c != '-') positive += c;
                }
                return positive;
            }());
        } else {
            const double x = LeadingNumber(without_commas(text));
            view.set_text(box, FormatTenths(RoundHalfEven(-x, 1)));
        }
    } else {
        view.set_back_color(box, kImportLightRed);
    }
}

// The values of one read; they start empty at every read.
struct ReadValues {
    std::optional<double> PowerValue;
    std::string ProductionText;
    std::string MeterTotalText;
};

template <class Guard>
void apply_power(const ReadContext& c, FormValues& form, const ReadingItem& item, ReadValues& read, Guard& guard) {
    ControlsView& view = c.view;
    guard.Step(0, [&] {
        if (!item.ValueText) fail_subscript_range();
        read.PowerValue = RoundHalfEven(*item.ValueText, 1);
    });
    // With no value yet in this read the slot has nothing to show.
    if (!read.PowerValue) return;
    const double value = *read.PowerValue;
    const std::int64_t slot = item.Slot;

    if (slot == 1) {
        guard.Step(1, [&] { read.ProductionText = FormatTenths(value); });
        guard.Step(2, [&] { put_figure(view, form, "Production", value); });
    } else if (slot >= 2 && slot <= 4) {
        guard.Step(1, [&] { put_figure(view, form, kSolarBoxes[slot - 2], value); });
    } else if (slot == 5) {
        double sum = 0.0;
        double difference = 0.0;
        guard.Step(1, [&] { read.MeterTotalText = FormatTenths(value); });
        guard.Step(2, [&] {
            sum =
                LeadingNumber(without_commas(read.MeterTotalText)) + LeadingNumber(without_commas(read.ProductionText));
        });
        guard.Step(3, [&] { put_figure(view, form, "Grid", value); });
        guard.Step(4, [&] { put_figure(view, form, "Consumption", RoundHalfEven(sum, 1)); });
        if (form.ConsumptionMode) {
            guard.Step(5, [&] { put_figure(view, form, "Consumption", value); });
            guard.Step(5, [&] {
                difference = LeadingNumber(without_commas(read.MeterTotalText)) -
                             LeadingNumber(without_commas(read.ProductionText));
            });
            guard.Step(5, [&] { put_figure(view, form, "Grid", RoundHalfEven(difference, 1)); });
        }
        guard.Step(6, [&] { sign_and_colour(view, "Grid", true); });
    } else if (slot >= 6 && slot <= 8) {
        const std::string_view box = kGridBoxes[slot - 6];
        guard.Step(1, [&] {
            if (slot == 8) {
                // Slot 8 is rounded to a whole number, then shown with one decimal.
                if (!item.ValueText) fail_subscript_range();
                put_figure(view, form, box, RoundHalfEven(*item.ValueText, 0));
            } else {
                put_figure(view, form, box, value);
            }
        });
        guard.Step(2, [&] { sign_and_colour(view, box, false); });
        guard.Step(3, [&] {
            if (form.ConsumptionMode) view.set_back_color(box, kWindowBackground);
        });
    }
}

}  // namespace

void PelmoraRead(const ReadContext& c, FormValues& form, FinishedRead* finished) {
    StepGuard guard([](const Failure&, int) {});
    ControlsView& view = c.view;
    std::uint32_t start = 0;
    std::uint32_t elapsed = 0;
    std::string answer;
    std::optional<std::int64_t> shown_epoch;

    guard.Step(1, [&] {
        form.VoltsCount = 0;
        form.AmpsCount = 0;
        form.PFCount = 0;
    });
    guard.Step(2, [&] { start = c.ticks.GetTickCount(); });
    guard.Step(3, [&] { answer = c.request.launch(c.request.scheme() + view.text("IP") + "/ivp/meters/readings"); });
    guard.Step(4, [&] {
        // Unsigned subtraction: a count that wrapped in between still gives the
        // right number of milliseconds.
        elapsed = c.ticks.GetTickCount() - start;
        view.set_text("Turnaround", std::to_string(elapsed));
    });
    guard.Step(5, [&] { view.set_text("Turnaround", view.text("Turnaround") + " ms"); });

    if (answer.empty()) {
        guard.Step(6, [&] { view.set_text("TimeStamp", c.request.failure_text()); });
    } else {
        guard.Step(7, [&] {
            for (std::string_view box : kReset) {
                view.set_text(box, "0");
                if (double* figure = figure_of(form.Shown, box)) *figure = 0.0;
            }
        });
        MeterReadings readings;
        guard.Step(8, [&] { readings = ScanReadings(answer); });

        ReadValues read;
        for (const ReadingItem& item : readings) {
            guard.Step(9, [&] { form.CurrentItem = item.Text; });
            for (Kind kind : item.Kinds) {
                switch (kind) {
                    case Kind::Timestamp:
                        guard.Step(9, [&] {
                            if (view.text("TimeStamp") != "0") return;
                            const EpochValue epoch = EpochValue::FromText(item.EpochText);
                            const DateTime when = Epoch2Date(epoch, form.ZoneOffset, c.log);
                            view.set_text("TimeStamp", c.format.general_date(ToCivil(when)));
                            shown_epoch = UtcSeconds(epoch);
                        });
                        break;
                    case Kind::Voltage: guard.Step(9, [&] { GetVolts(form, view); }); break;
                    case Kind::PowerFactor: guard.Step(9, [&] { GetPFs(form, view); }); break;
                    case Kind::Current: guard.Step(9, [&] { GetAmps(form, view); }); break;
                    case Kind::ActivePower: apply_power(c, form, item, read, guard); break;
                }
            }
        }
    }
    guard.Step(10, [&] { Save(view, c.files); });
    if (finished != nullptr) {
        *finished = FinishedRead{};
        if (!answer.empty()) {
            finished->production_w = form.Shown.production_w;
            finished->consumption_w = form.Shown.consumption_w;
            finished->grid_w = form.Shown.grid_w;
            finished->phases = form.Shown.phases;
        }
        finished->address = view.text("IP");
        finished->request_failed = answer.empty();
        if (answer.empty()) finished->failure_text = view.text("TimeStamp");
        finished->epoch = shown_epoch;
        finished->turnaround_ms = elapsed;
        finished->document = std::move(answer);
    }
}

}  // namespace pelmora
