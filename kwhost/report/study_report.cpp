#include "kwhost/report/study_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace stimforge::kwhost {
namespace {

// The page's style: a laptop's width, a table that scrolls under its header; on paper (A4
// landscape) the head of the page, the runs' sections as they are (folded, unless opened).
constexpr char kStyle[] = R"(
body{font:14px/1.4 system-ui,-apple-system,"Segoe UI",Roboto,sans-serif;color:#1d1d1f;
margin:1.5em auto;max-width:1400px;padding:0 1em}
h1{font-size:1.5em;margin:0 0 .2em}h2{font-size:1.15em;margin:1.6em 0 .5em}
p.where{color:#555;margin:0 0 1em;word-break:break-all}
.totals{display:flex;flex-wrap:wrap;gap:.6em;margin:.8em 0}
.totals span{border:1px solid #ccc;border-radius:6px;padding:.3em .7em;background:#fafafa}
.totals b{font-size:1.2em}
table{border-collapse:collapse;width:100%;font-size:13px}
th,td{border-bottom:1px solid #e2e2e2;padding:.3em .45em;text-align:left;vertical-align:top}
th{background:#f2f2f2;position:sticky;top:0}
td.n{text-align:right;font-variant-numeric:tabular-nums;white-space:nowrap}
td.log{min-width:11em;max-width:24em}
td small,li small{color:#666}
tr.look td{background:#fff8f0}
ul.f{margin:0;padding-left:1.1em}
.v{display:inline-block;border-radius:4px;padding:0 .4em;font-weight:600;white-space:nowrap}
.failed{background:#c62828;color:#fff}.findings{background:#ef6c00;color:#fff}
.design{background:#f9a825;color:#000}.noscan{background:#6d6d6d;color:#fff}
.consistent{background:#2e7d32;color:#fff}.planned{background:#1565c0;color:#fff}
details{border:1px solid #ddd;border-radius:6px;margin:.4em 0;padding:.3em .7em}
summary{cursor:pointer;font-weight:600}
details dl{display:grid;grid-template-columns:max-content 1fr;gap:.15em 1em;margin:.6em 0}
details dt{color:#555}details dd{margin:0;word-break:break-word}
.pictures svg{display:block;max-width:100%;height:auto;margin:.5em 0}
@page{size:A4 landscape;margin:10mm}
@media print{body{margin:0;max-width:none;font-size:10px;print-color-adjust:exact;
-webkit-print-color-adjust:exact}table{font-size:8.5px}th{position:static}td.log{min-width:0}
details{break-inside:avoid}tr{break-inside:avoid}}
)";

std::string escaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        // Control characters but tab and line break are no text of a page.
        out += (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n') ? ' ' : c;
    }
  }
  return out;
}

// Three significant digits, whole from 100 on.
std::string figure(double value) {
  char text[32];
  std::snprintf(text, sizeof text, std::fabs(value) >= 100 ? "%.0f" : "%.3g", value);
  return text;
}

std::string count(std::optional<int64_t> value) {
  return value ? std::to_string(*value) : "&ndash;";
}

const char* verdictWord(ReportVerdict verdict) {
  switch (verdict) {
    case ReportVerdict::kFailed:
      return "failed";
    case ReportVerdict::kFindings:
      return "findings";
    case ReportVerdict::kNoScan:
      return "no scan";
    case ReportVerdict::kConsistent:
      return "consistent";
  }
  return "";
}

const char* verdictClass(ReportVerdict verdict) {
  return verdict == ReportVerdict::kNoScan ? "noscan" : verdictWord(verdict);
}

// The order of the runs: those that need a look first, the worst first.
int rank(const ReportRun& run) {
  if (run.verdict == ReportVerdict::kFailed)
    return 0;
  if (run.verdict == ReportVerdict::kFindings)
    return 1;
  if (!run.designFindings.empty() || !run.designNote.empty())
    return run.verdict == ReportVerdict::kNoScan ? 3 : 2;
  return run.verdict == ReportVerdict::kNoScan ? 3 : 4;
}

std::string badge(const ReportRun& run) {
  std::string html = std::string("<span class=\"v ") + verdictClass(run.verdict) + "\">" +
                     verdictWord(run.verdict) + "</span>";
  if (!run.designFindings.empty())
    html += " <span class=\"v design\">design</span>";
  return html;
}

std::string runName(const ReportRun& run) {
  std::string name;
  for (const auto& [key, value] : {std::pair<const char*, const std::string*>{"sub", &run.subject},
                                   {"ses", &run.session},
                                   {"task", &run.task},
                                   {"run", &run.run}}) {
    if (!value->empty())
      name += (name.empty() ? "" : " ") + std::string(key) + "-" + *value;
  }
  return name.empty() ? run.log : name;
}

// The table's cell: the trigger check's findings (or why the run failed), and the design's
// first finding with their count; the run's section lists them all.
std::string findingList(const std::vector<std::string>& findings,
                        const std::vector<std::string>& design) {
  if (findings.empty() && design.empty())
    return "";
  std::string html = "<ul class=\"f\">";
  for (const std::string& finding : findings)
    html += "<li>" + escaped(finding) + "</li>";
  if (!design.empty()) {
    html += "<li><small>design:</small> " + escaped(design.front());
    if (design.size() > 1)
      html += " <small>(and " + std::to_string(design.size() - 1) + " more)</small>";
    html += "</li>";
  }
  return html + "</ul>";
}

std::string worstText(const ReportRun& run, bool vif) {
  if (vif)
    return run.worstVif
               ? figure(*run.worstVif) + " <small>" + escaped(run.worstVifCondition) + "</small>"
               : "&ndash;";
  return run.worstCorrelation
             ? figure(*run.worstCorrelation) + " <small>" + escaped(run.worstPair) + "</small>"
             : "&ndash;";
}

// `html` with a place to break the line after each '/' and '_' of a path.
std::string breakable(const std::string& html) {
  std::string out;
  out.reserve(html.size() + html.size() / 4);
  for (const char c : html) {
    out += c;
    if (c == '/' || c == '_')
      out += "<wbr>";
  }
  return out;
}

// Before the colon: "given with skip = 4", "4 triggers more than volumes (...)".
std::string shortRule(const std::string& rule) {
  return rule.substr(0, rule.find(':'));
}

std::string tableRow(const ReportRun& run, size_t index) {
  std::string html = run.needsLook() ? "<tr class=\"look\">" : "<tr>";
  for (const std::string* cell : {&run.subject, &run.session, &run.task, &run.run})
    html += "<td>" + escaped(*cell) + "</td>";
  html += "<td class=\"log\"><a href=\"#run-" + std::to_string(index) + "\">" +
          breakable(escaped(run.log)) + "</a></td>";
  html += "<td class=\"n\">" + count(run.triggers) + "</td><td class=\"n\">" + count(run.volumes) +
          "</td>";
  html += "<td class=\"n\">" + count(run.skip) + "</td><td><small>" +
          escaped(shortRule(run.skipRule)) + "</small></td>";
  char tr[32] = "&ndash;";
  if (run.trMs)
    std::snprintf(tr, sizeof tr, "%.1f", *run.trMs);
  html += std::string("<td class=\"n\">") + tr + "</td>";
  html += "<td class=\"n\">" + (run.before ? std::to_string(*run.before) : "&ndash;") + " / " +
          (run.after ? std::to_string(*run.after) : "&ndash;") + "</td>";
  html += "<td>" + badge(run) + "</td>";
  html +=
      "<td>" + findingList(run.findings, run.designFindings) + escaped(run.designNote) + "</td>";
  html += "<td class=\"n\">" + worstText(run, true) + "</td><td class=\"n\">" +
          worstText(run, false) + "</td></tr>\n";
  return html;
}

// An SVG document as a page holds it: without its XML declaration.
void appendSvg(std::string& html, const std::string& svg) {
  const size_t start = svg.find("<svg");
  if (start != std::string::npos)
    html.append(svg, start, std::string::npos);
}

void fact(std::string& html, const char* name, const std::string& value) {
  if (!value.empty())
    html += std::string("<dt>") + name + "</dt><dd>" + escaped(value) + "</dd>";
}

void appendRunSection(std::string& html, const ReportRun& run, size_t index) {
  html += "<details id=\"run-" + std::to_string(index) + "\"><summary>" + badge(run) + " " +
          escaped(runName(run)) + " <small>" + escaped(run.log) + "</small></summary>\n<dl>";
  fact(html, "log", run.log);
  fact(html, "events file", run.events + " (" + std::to_string(run.rows) + " events)");
  fact(html, "image", run.bold);
  fact(html, "time zero", run.zero);
  fact(html, "K", run.skipRule);
  for (const std::string& finding : run.findings)
    fact(html, run.verdict == ReportVerdict::kFailed ? "failed" : "finding", finding);
  fact(html, "design", run.designNote);
  for (const std::string& finding : run.designFindings)
    fact(html, "design finding", finding);
  html += "</dl>\n<div class=\"pictures\">";
  appendSvg(html, run.timelineSvg);
  appendSvg(html, run.designSvg);
  html += "</div></details>\n";
}

std::string totals(const StudyReport& report, const std::vector<const ReportRun*>& runs) {
  size_t byVerdict[5] = {0, 0, 0, 0, 0};
  size_t design = 0;
  for (const ReportRun* run : runs) {
    ++byVerdict[static_cast<int>(run->verdict)];
    design += !run->designFindings.empty();
  }
  std::string html = "<div class=\"totals\">";
  const auto add = [&html](size_t n, const char* what) {
    html += "<span><b>" + std::to_string(n) + "</b> " + what + "</span>";
  };
  add(runs.size(), runs.size() == 1 ? "run" : "runs");
  add(byVerdict[static_cast<int>(ReportVerdict::kFailed)], "failed");
  add(byVerdict[static_cast<int>(ReportVerdict::kFindings)], "with findings");
  add(design, "with design findings");
  add(byVerdict[static_cast<int>(ReportVerdict::kNoScan)], "without a scan");
  add(byVerdict[static_cast<int>(ReportVerdict::kConsistent)], "consistent");
  add(report.logsNotConverted.size(), "logs not converted");
  add(report.excludedLogs.size(), "logs excluded");
  add(report.scansWithoutLog.size(), "scans without a log");
  return html + "</div>\n";
}

std::string leftovers(const StudyReport& report) {
  std::string html;
  if (!report.logsNotConverted.empty()) {
    html += "<h2>Logs not converted</h2><ul>";
    for (const ReportLeftover& log : report.logsNotConverted)
      html += "<li>" + escaped(log.path) + " <small>" + escaped(log.reason) + "</small></li>";
    html += "</ul>\n";
  }
  for (const auto& [title, list] : {std::pair<const char*, const std::vector<std::string>*>{
                                        "Scans without a log", &report.scansWithoutLog},
                                    {"Logs excluded", &report.excludedLogs}}) {
    if (list->empty())
      continue;
    html += std::string("<h2>") + title + "</h2><ul>";
    for (const std::string& path : *list)
      html += "<li>" + escaped(path) + "</li>";
    html += "</ul>\n";
  }
  return html;
}

constexpr char kTableHead[] =
    "<table><thead><tr><th>sub</th><th>ses</th><th>task</th><th>run</th><th>log</th>"
    "<th>triggers</th><th>volumes</th><th>K</th><th>K chosen</th><th>TR ms</th>"
    "<th title=\"stimulus events before time zero / after the scan's end\">outside "
    "before / after</th><th>verdict</th><th>findings</th><th>worst VIF</th>"
    "<th>worst correlation</th></tr></thead><tbody>\n";

}  // namespace

bool ReportRun::needsLook() const {
  return verdict == ReportVerdict::kFailed || verdict == ReportVerdict::kFindings ||
         verdict == ReportVerdict::kNoScan || !designFindings.empty() || !designNote.empty();
}

std::string renderStudyReport(const StudyReport& report) {
  std::vector<const ReportRun*> runs;
  runs.reserve(report.runs.size());
  for (const ReportRun& run : report.runs)
    runs.push_back(&run);
  std::stable_sort(runs.begin(), runs.end(),
                   [](const ReportRun* a, const ReportRun* b) { return rank(*a) < rank(*b); });
  const size_t looks = static_cast<size_t>(std::count_if(
      runs.begin(), runs.end(), [](const ReportRun* run) { return run->needsLook(); }));
  size_t size = 8192;
  for (const ReportRun* run : runs)
    size += run->timelineSvg.size() + run->designSvg.size() + 3072;
  std::string html;
  html.reserve(size);
  html += std::string(kStudyReportFirstLine) +
          "\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
          "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
          "<title>Study report: " +
          escaped(report.bidsRoot) + "</title><style>" + kStyle +
          "</style></head><body>\n<h1>Study report" +
          (report.dryRun ? " (dry run: nothing written)" : "") + "</h1>\n";
  html += "<p class=\"where\">logs " + escaped(report.source) + " &rarr; dataset " +
          escaped(report.bidsRoot) + "</p>\n" + totals(report, runs);
  html += "<p><b>" + std::to_string(looks) + (looks == 1 ? " run needs" : " runs need") +
          " a look</b>; they come first, highlighted. Each run's section below holds its "
          "timeline and design check.</p>\n";
  html += kTableHead;
  for (size_t i = 0; i < runs.size(); ++i)
    html += tableRow(*runs[i], i);
  html += "</tbody></table>\n" + leftovers(report) + "<h2>Runs</h2>\n";
  for (size_t i = 0; i < runs.size(); ++i)
    appendRunSection(html, *runs[i], i);
  html += "</body></html>\n";
  return html;
}

bool isStudyReport(std::string_view head) {
  const std::string_view first(kStudyReportFirstLine);
  return head.substr(0, first.size()) == first &&
         (head.size() == first.size() || head[first.size()] == '\n' || head[first.size()] == '\r');
}

}  // namespace stimforge::kwhost
