// datacomm show | datacomm set field=value... | clock: the data-communication dialogs'
// work on the same core session, for the variant that the AODI flag names.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "datacomm/core/data_comm_commands.h"
#include "datacomm/core/data_comm_session.h"
#include "datacomm/core/data_comm_settings.h"
#include "link/comm_link.h"

namespace {

// The check box beside the record; set like a field, but not one of the record.
constexpr std::string_view kBoxName = "idleDisconnectOn";

struct Change {
  const DataCommField* field;
  std::int32_t value;
};

struct Changes {
  std::vector<Change> fields;
  std::optional<std::int32_t> idleDisconnectOn;
};

std::string RangeText(std::int32_t minimum, std::int32_t maximum) {
  return std::to_string(minimum) + ".." + std::to_string(maximum);
}

std::string PageName(std::string_view array, std::size_t page) {
  return std::string(array) + "[" + std::to_string(page) + "]";
}

// Each page's closing threshold may not exceed its opening one, as in the dialogs.
int CheckThresholdOrder(std::size_t page, std::int32_t open, std::int32_t close) {
  if (close <= open) return kExitOk;
  return UsageError(PageName("closeThreshold", page) + " " + std::to_string(close) +
                    " exceeds " + PageName("openThreshold", page) + " " + std::to_string(open));
}

const Change* Given(const Changes& changes, std::string_view name) {
  for (const Change& change : changes.fields) {
    if (change.field->name == name) return &change;
  }
  return nullptr;
}

// The pages whose thresholds were changed; the adapter's own values elsewhere stand.
int CheckThresholdOrder(const DataCommSettings& settings, const Changes& changes) {
  for (std::size_t page = 0; page < settings.openThreshold.size(); ++page) {
    if (!Given(changes, PageName("openThreshold", page)) &&
        !Given(changes, PageName("closeThreshold", page))) {
      continue;
    }
    const int check =
        CheckThresholdOrder(page, settings.openThreshold[page], settings.closeThreshold[page]);
    if (check != kExitOk) return check;
  }
  return kExitOk;
}

// Names, numbers and ranges of "field=value" arguments; nothing is sent before this passes.
int ParseChanges(const Args& assignments, Changes& changes) {
  if (assignments.empty()) return UsageError("datacomm set needs field=value arguments");
  for (const std::string& assignment : assignments) {
    std::string name;
    std::string text;
    if (!SplitAssignment(assignment, name, text)) {
      return UsageError("expected field=value, got '" + assignment + "'");
    }
    const DataCommField* field = FindDataCommField(name);
    if (field == nullptr && name != kBoxName) {
      return UsageError("unknown data-communication field '" + name + "'");
    }
    if (Given(changes, name) || (field == nullptr && changes.idleDisconnectOn)) {
      return UsageError("field '" + name + "' given twice");
    }
    const std::int32_t minimum = field ? field->minimum : 0;
    const std::int32_t maximum = field ? field->maximum : 1;
    const std::optional<std::int32_t> value = ParseWholeNumber(text);
    if (!value || *value < minimum || *value > maximum) {
      return UsageError("bad value '" + text + "' for " + name + " (" +
                        RangeText(minimum, maximum) + ")");
    }
    if (field) {
      changes.fields.push_back({field, *value});
    } else {
      changes.idleDisconnectOn = *value;
    }
  }
  // When both thresholds of a page are given, their order is known before anything is sent.
  for (std::size_t page = 0; page < DataCommSettings{}.openThreshold.size(); ++page) {
    const Change* open = Given(changes, PageName("openThreshold", page));
    const Change* close = Given(changes, PageName("closeThreshold", page));
    if (open && close) {
      if (const int check = CheckThresholdOrder(page, open->value, close->value); check != kExitOk) {
        return check;
      }
    }
  }
  return kExitOk;
}

Fields RecordFields(DataCommSettings settings, DataCommVariant variant,
                    std::int32_t idleDisconnectOn) {
  Fields fields;
  for (const DataCommField& field : DataCommFields()) {
    if (HeldBy(field, variant)) {
      fields.emplace_back(std::string(field.name), std::to_string(field.slot(settings)));
    }
  }
  fields.emplace_back(std::string(kBoxName), std::to_string(idleDisconnectOn));
  return fields;
}

int Show(CDataCommSession& session, const CliOptions& options) {
  DataCommSettings settings;
  std::int32_t idleDisconnectOn = 0;
  if (!session.ReadTaData(settings, idleDisconnectOn)) return kExitFailed;
  PrintFields(std::cout, RecordFields(settings, session.Variant(), idleDisconnectOn), options);
  return kExitOk;
}

int Set(CDataCommSession& session, const Changes& changes, const CliOptions& options) {
  for (const Change& change : changes.fields) {
    if (!HeldBy(*change.field, session.Variant())) {
      return UsageError("field '" + std::string(change.field->name) +
                        "' is not held by this adapter (ML-PPP)");
    }
  }
  DataCommSettings settings;
  std::int32_t idleDisconnectOn = 0;
  if (!session.ReadTaData(settings, idleDisconnectOn)) return kExitFailed;
  for (const Change& change : changes.fields) change.field->slot(settings) = change.value;
  if (const int order = CheckThresholdOrder(settings, changes); order != kExitOk) return order;
  // Without an explicit box state the box follows the value, as after a read-out.
  if (changes.idleDisconnectOn) {
    SetIdleDisconnectBox(settings, idleDisconnectOn, *changes.idleDisconnectOn != 0);
  } else {
    idleDisconnectOn = IdleDisconnectOnFor(settings);
  }
  if (session.WriteTaData(settings, idleDisconnectOn) != 1) return kExitFailed;
  PrintFields(std::cout, RecordFields(settings, session.Variant(), idleDisconnectOn), options);
  return kExitOk;
}

}  // namespace

int CheckDatacommArgs(const Args& args) {
  if (args.size() == 1 && args[0] == "show") return kExitOk;
  if (!args.empty() && args[0] == "set") {
    Changes changes;
    return ParseChanges(Args(args.begin() + 1, args.end()), changes);
  }
  return UsageError("usage: datacomm show | datacomm set field=value...");
}

int RunDatacomm(const Args& args, const CliOptions& options) {
  if (const int check = CheckDatacommArgs(args); check != kExitOk) return check;
  CDataCommSession session(VariantFor(aodiCapable.load()));
  if (args[0] == "show") return Show(session, options);
  Changes changes;
  ParseChanges(Args(args.begin() + 1, args.end()), changes);
  return Set(session, changes, options);
}

int RunClock(const Args& args, const CliOptions& options) {
  if (!args.empty()) return UsageError("clock takes no arguments");
  const std::tm now = LocalTimeNow();
  CDataCommSession session(VariantFor(aodiCapable.load()));
  if (!session.SetTaClock(now)) return kExitFailed;
  PrintFields(std::cout, {{"clock", FormatClockText(now)}}, options);
  return kExitOk;
}
