// The fuzz targets. Each takes one input of any bytes, runs the plug-in code behind it and
// checks its properties, aborting on a failed check; each returns 0. libfuzzer_entry.cpp
// makes one fuzzer of each; tests/robustness replays the committed corpora through them.
#ifndef STIMFORGE_FUZZ_FUZZ_TARGETS_H_
#define STIMFORGE_FUZZ_FUZZ_TARGETS_H_

#include <cstddef>
#include <cstdint>

namespace stimforge::fuzzing {

// hexColourToInt, stripExtension, extensionOf, withSuffixBeforeExtension, withExtension and
// baseNameOf on texts from the input.
int fuzzTextHelpers(const uint8_t* data, size_t size);

// parseConditionOrder and checkConditionOrder on an order size and a text from the input.
int fuzzConditionOrder(const uint8_t* data, size_t size);

// readPresentationLog on a log text from the input: both layouts, both selections, text
// served in chunks, changed between the passes, or failing to read.
int fuzzLogReader(const uint8_t* data, size_t size);

// Whole runs of execute against a host whose protocol and answers come from the input.
int fuzzExecute(const uint8_t* data, size_t size);

// The stand-in host's protocol files: parseProtocolText on any text, and
// formatProtocolText followed by it on any protocol within the records' limits.
int fuzzProtocolFile(const uint8_t* data, size_t size);

// kwhost events on a log text from the input, with options from its first byte: a refusal,
// or an events file and sidecar that keep every value rule.
int fuzzEvents(const uint8_t* data, size_t size);
// The trigger analysis of `kwhost triggers` on trigger sequences and options from the
// input: finite figures, scans that cover the triggers, time zero at trigger K + 1.
int fuzzTriggerAnalysis(const uint8_t* data, size_t size);

// kwhost's BOLD-run checks: a NIfTI header from the input's bytes, a sidecar's text, or the
// dummy-volume rule on counts from the input: a one-line refusal or figures within range.
int fuzzBoldScan(const uint8_t* data, size_t size);

// kwhost/psychopy: a PsychoPy data file's text, a trigger choice, a trial_type template and a
// TR from the input: a one-line refusal, or a model, events and trigger that keep their rules.
int fuzzPsychopy(const uint8_t* data, size_t size);

}  // namespace stimforge::fuzzing

#endif  // STIMFORGE_FUZZ_FUZZ_TARGETS_H_
