// SPDX-License-Identifier: Apache-2.0
// The report as JSON for scripts, DFXML for forensic tools and HTML for people. Every text from
// the disk or the machine is made safe for each: JSON escapes it; in XML and HTML a control
// character is written as \xNN, as the log writes it, and what is not UTF-8 becomes U+FFFD.
#include <algorithm>
#include <array>
#include <charconv>

#include <nlohmann/json.hpp>

#include "app/SizeText.h"
#include "app/TextEncoding.h"
#include "disk/platform/Platform.h"
#include "disk/platform/Utf8Path.h"
#include "report/Report.h"

namespace kestrel::report {
namespace {

// A form's text, gathered as its files are added and handed on in pieces of about a mebibyte: a
// report of a million files is never whole in memory.
class Pieces {
 public:
  explicit Pieces(const platform::WriteText& write) : write_(write) { text.reserve(2 * kPiece); }

  // Hands the text on once it holds a piece's worth; false once a write failed.
  bool HandOnWhenFull() { return text.size() < kPiece || HandOn(); }
  bool HandOn() {
    const bool written = write_(text);
    text.clear();
    return written;
  }

  std::string text;

 private:
  static constexpr std::size_t kPiece = 1 << 20;
  const platform::WriteText& write_;
};

// The states a recovery leaves a file in, as the totals count them.
constexpr std::array<std::string_view, 5> kStates = {"whole", "renamed", "skipped", "failed",
                                                     "replaced"};

struct Totals {
  std::uint64_t unread = 0;  // files that hold bytes never read
  std::array<std::uint64_t, kStates.size()> inState{};
};

// In one pass: the files of a report of a million files do not stay in the processor's caches.
Totals CountTotals(const Report& report) {
  Totals totals;
  for (const FileEntry& file : report.files) {
    totals.unread += file.unreadBytes != 0;
    const auto state = std::find(kStates.begin(), kStates.end(), file.state);
    if (state != kStates.end()) ++totals.inState[static_cast<std::size_t>(state - kStates.begin())];
  }
  return totals;
}

// Text that XML 1.0 and HTML take as it stands once escaped: valid UTF-8, no control character,
// no U+FFFE or U+FFFF (which XML refuses).
bool IsPlainAscii(std::string_view text, std::string_view special) {
  return std::all_of(text.begin(), text.end(), [special](char c) {
    return c >= 0x20 && c < 0x7F && special.find(c) == std::string_view::npos;
  });
}

std::string MarkupText(std::string_view text) {
  if (IsPlainAscii(text, "&<>\"'")) return std::string(text);  // most names: nothing to change
  std::u16string units = app::ToUtf16(app::PrintableText(text));
  for (char16_t& unit : units) {
    if (unit == 0xFFFE || unit == 0xFFFF) unit = 0xFFFD;
  }
  std::string escaped;
  for (const char c : app::ToUtf8(units)) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\'':
        escaped += "&#39;";
        break;
      default:
        escaped.push_back(c);
    }
  }
  return escaped;
}

std::string Element(std::string_view name, std::string_view text, std::string_view indent) {
  return std::string(indent) + "<" + std::string(name) + ">" + MarkupText(text) + "</" +
         std::string(name) + ">\n";
}

void AppendNumber(std::string& out, std::uint64_t value) {
  char digits[24];
  out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

// A JSON string of any bytes; what is not UTF-8 becomes U+FFFD.
void AppendJsonString(std::string& out, std::string_view text) {
  if (IsPlainAscii(text, "\"\\")) {
    out += '"';
    out += text;
    out += '"';
    return;
  }
  out += nlohmann::json(std::string(text))
             .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void AppendJsonField(std::string& out, std::string_view name, std::string_view text) {
  out += ",\"";
  out += name;
  out += "\":";
  AppendJsonString(out, text);
}

// One line per file: a report of a million files is written as fast as its lines are made, and
// reads line by line.
void AppendFileJson(std::string& out, const FileEntry& file) {
  out += "    {\"path\":";
  AppendJsonString(out, file.path);
  out += ",\"size\":";
  AppendNumber(out, file.size);
  out += file.deleted ? ",\"deleted\":true,\"byteRuns\":[" : ",\"deleted\":false,\"byteRuns\":[";
  for (const ByteRun& run : file.runs) {
    out += &run == &file.runs.front() ? "{\"imageOffset\":" : ",{\"imageOffset\":";
    AppendNumber(out, run.imageOffset);
    out += ",\"length\":";
    AppendNumber(out, run.length);
    out += ",\"fileOffset\":";
    AppendNumber(out, run.fileOffset);
    out += '}';
  }
  out += "],\"unreadBytes\":";
  AppendNumber(out, file.unreadBytes);
  if (!file.state.empty()) {
    AppendJsonField(out, "writtenAs", file.writtenAs);
    AppendJsonField(out, "sha256", file.sha256);
    if (!file.md5.empty()) AppendJsonField(out, "md5", file.md5);
    AppendJsonField(out, "state", file.state);
    AppendJsonField(out, "reason", file.reason);
  }
  out += '}';
}

std::string DfxmlSelection(const Report& report) {
  if (report.selection.empty()) return "";
  std::string xml = "  <kestrel:selection>\n";
  for (const std::string& path : report.selection) xml += Element("kestrel:path", path, "    ");
  if (!report.filter.empty()) xml += Element("kestrel:filter", report.filter, "    ");
  return xml + "  </kestrel:selection>\n";
}

void AppendByteRun(std::string& out, const ByteRun& run) {
  out += "      <byte_run file_offset='";
  AppendNumber(out, run.fileOffset);
  out += "' img_offset='";
  AppendNumber(out, run.imageOffset);
  out += "' len='";
  AppendNumber(out, run.length);
  out += "'/>\n";
}

void AppendDfxmlFile(std::string& out, const FileEntry& file) {
  out += "  <fileobject>\n";
  // fiwalk names a file from the top of its volume, without a leading slash.
  out += Element("filename", std::string_view(file.path).substr(file.path.starts_with('/') ? 1 : 0),
                 "    ");
  out += "    <filesize>";
  AppendNumber(out, file.size);
  out += file.deleted ? "</filesize>\n    <alloc>0</alloc>\n    <byte_runs>\n"
                      : "</filesize>\n    <alloc>1</alloc>\n    <byte_runs>\n";
  for (const ByteRun& run : file.runs) AppendByteRun(out, run);
  out += "    </byte_runs>\n";
  if (!file.md5.empty()) out += "    <hashdigest type='md5'>" + file.md5 + "</hashdigest>\n";
  if (!file.sha256.empty())
    out += "    <hashdigest type='sha256'>" + file.sha256 + "</hashdigest>\n";
  if (!file.state.empty()) {
    out += Element("kestrel:written_as", file.writtenAs, "    ");
    out += Element("kestrel:state", file.state, "    ");
    if (!file.reason.empty()) out += Element("kestrel:reason", file.reason, "    ");
  }
  if (file.unreadBytes != 0)
    out += Element("kestrel:unread_bytes", std::to_string(file.unreadBytes), "    ");
  out += "  </fileobject>\n";
}

constexpr std::size_t kHtmlRowLimit = 20000;  // about 5 MB of rows

constexpr std::string_view kHtmlStyle = R"(<style>
body { font-family: sans-serif; margin: 2em; color: #222; }
table { border-collapse: collapse; }
th, td { border: 1px solid #bbb; padding: 0.2em 0.6em; text-align: left; }
th { background: #eee; cursor: pointer; }
td.number { text-align: right; }
td.hash { font-family: monospace; font-size: 80%; }
img.thumb { display: block; max-width: 96px; max-height: 96px; margin-bottom: 0.2em; }
tr.unread td { background: #fde8e8; }
tr.deleted td { color: #777; }
@media print { body { margin: 0; } th { cursor: auto; } tr { break-inside: avoid; } }
</style>
)";

// A click on a column's heading sorts the rows by it; without scripts the table reads as written.
constexpr std::string_view kHtmlSort = R"(<script>
document.querySelectorAll("th").forEach(function (heading, column) {
  heading.addEventListener("click", function () {
    var body = heading.closest("table").tBodies[0];
    var rows = Array.prototype.slice.call(body.rows);
    var up = heading.dataset.up !== "1";
    heading.dataset.up = up ? "1" : "0";
    rows.sort(function (a, b) {
      var x = a.cells[column].dataset.value || a.cells[column].textContent;
      var y = b.cells[column].dataset.value || b.cells[column].textContent;
      var order = isNaN(x) || isNaN(y) ? x.localeCompare(y) : x - y;
      return up ? order : -order;
    });
    rows.forEach(function (row) { body.appendChild(row); });
  });
});
</script>
)";

bool NeedsAttention(const FileEntry& file) {
  return file.unreadBytes != 0 || (!file.state.empty() && file.state != "whole");
}

// The files the page lists: those that need attention first, then the rest, up to a number that
// keeps the page small for a volume of a million files; report.json has them all.
std::vector<const FileEntry*> HtmlRows(const Report& report) {
  std::vector<const FileEntry*> rows;
  for (const bool attention : {true, false}) {
    for (const FileEntry& file : report.files) {
      if (rows.size() == kHtmlRowLimit) return rows;
      if (NeedsAttention(file) == attention) rows.push_back(&file);
    }
  }
  return rows;
}

// HTML lists at most this many of the paths a recovery was asked for; the JSON has every one.
constexpr std::size_t kHtmlSelectionPaths = 20;

std::string HtmlSelection(const std::vector<std::string>& selection) {
  std::string text;
  for (std::size_t i = 0; i < selection.size() && i < kHtmlSelectionPaths; ++i)
    text += (i == 0 ? "" : ", ") + selection[i];
  if (selection.size() > kHtmlSelectionPaths)
    text += " and " + std::to_string(selection.size() - kHtmlSelectionPaths) + " more";
  return text;
}

std::string HtmlSummaryRow(std::string_view name, std::string_view value) {
  return "<tr><th>" + MarkupText(name) + "</th><td>" + MarkupText(value) + "</td></tr>\n";
}

std::string HtmlFileRow(const FileEntry& file) {
  const std::string kind = file.unreadBytes != 0 ? " class='unread'"
                           : file.deleted        ? " class='deleted'"
                                                 : "";
  const std::string picture =
      file.thumbnail.empty() ? "" : "<img class='thumb' alt='' src='" + file.thumbnail + "'>";
  return "<tr" + kind + "><td>" + picture + MarkupText(file.path) +
         "</td><td class='number' data-value='" + std::to_string(file.size) + "'>" +
         app::SizeText(file.size) + "</td><td>" + (file.deleted ? "deleted" : "live") +
         "</td><td class='number'>" + std::to_string(file.unreadBytes) + "</td><td>" +
         MarkupText(file.reason.empty() ? file.state : file.state + ": " + file.reason) +
         "</td><td>" + MarkupText(file.writtenAs) + "</td><td class='hash'>" + file.sha256 +
         (file.md5.empty() ? "" : "<br>MD5 " + file.md5) + "</td></tr>\n";
}

}  // namespace

bool WriteReportJson(const Report& report, const platform::WriteText& write) {
  const nlohmann::ordered_json head = {{"program", report.program},
                                       {"version", report.version},
                                       {"command", report.command},
                                       {"started", report.started},
                                       {"ended", report.ended},
                                       {"machine", report.machine},
                                       {"source",
                                        {{"path", report.source.path},
                                         {"container", report.source.container},
                                         {"size", report.source.size},
                                         {"model", report.source.model},
                                         {"serial", report.source.serial},
                                         {"map", report.source.map},
                                         {"imageSha256", report.source.imageSha256}}},
                                       {"scanned", report.scanned},
                                       {"scanKind", report.scanKind},
                                       {"selection", report.selection},
                                       {"filter", report.filter}};
  const Totals counted = CountTotals(report);
  nlohmann::ordered_json totals = {{"files", report.files.size()},
                                   {"filesWithUnreadBytes", counted.unread}};
  for (std::size_t s = 0; s < kStates.size(); ++s)
    totals[std::string(kStates[s])] = counted.inState[s];
  Pieces out(write);
  std::string& json = out.text;
  json += head.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
  json.resize(json.size() - 2);  // the object goes on after the head's last field: not "\n}"
  json += ",\n  \"files\": [\n";
  for (const FileEntry& file : report.files) {
    if (&file != &report.files.front()) json += ",\n";
    AppendFileJson(json, file);
    if (!out.HandOnWhenFull()) return false;
  }
  json += "\n  ],\n  \"totals\": " + totals.dump() + "\n}\n";
  return out.HandOn();
}

bool WriteReportDfxml(const Report& report, const platform::WriteText& write) {
  Pieces out(write);
  std::string& xml = out.text;
  xml +=
      "<?xml version='1.0' encoding='UTF-8'?>\n"
      "<dfxml xmloutputversion='1.0' "
      "xmlns='http://www.forensicswiki.org/wiki/Category:Digital_Forensics_XML' "
      "xmlns:dc='http://purl.org/dc/elements/1.1/' xmlns:kestrel='urn:kestrel-nss:report'>\n"
      "  <metadata>\n    <dc:type>Recovery report</dc:type>\n  </metadata>\n"
      "  <creator version='1.0'>\n";
  xml += Element("program", report.program, "    ");
  xml += Element("version", report.version, "    ");
  xml += "    <build_environment>\n";
  xml += Element("compiler", __VERSION__, "      ");
  xml += "    </build_environment>\n    <execution_environment>\n";
  xml += Element("host", report.machine, "      ");
  xml += Element("command_line", report.command, "      ");
  xml += Element("start_time", report.started, "      ");
  xml += "    </execution_environment>\n  </creator>\n  <source>\n";
  xml += Element("image_filename", report.source.path, "    ");
  xml += Element("imagesize", std::to_string(report.source.size), "    ");
  if (!report.source.model.empty()) xml += Element("device_model", report.source.model, "    ");
  if (!report.source.serial.empty()) xml += Element("device_sn", report.source.serial, "    ");
  if (!report.source.imageSha256.empty())
    xml += "    <hashdigest type='sha256'>" + MarkupText(report.source.imageSha256) +
           "</hashdigest>\n";
  xml += Element("kestrel:container", report.source.container, "    ");
  if (!report.source.map.empty()) xml += Element("kestrel:map", report.source.map, "    ");
  xml += "  </source>\n";
  xml += DfxmlSelection(report);
  for (const FileEntry& file : report.files) {
    AppendDfxmlFile(xml, file);
    if (!out.HandOnWhenFull()) return false;
  }
  xml += "  <runstats>\n" + Element("kestrel:end_time", report.ended, "    ") + "  </runstats>\n";
  xml += "</dfxml>\n";
  return out.HandOn();
}

bool WriteReportHtml(const Report& report, const platform::WriteText& write) {
  Pieces out(write);
  std::string& html = out.text;
  html += "<!DOCTYPE html>\n<html lang='en'>\n<head>\n<meta charset='utf-8'>\n<title>" +
          MarkupText(report.program + " report: " + report.scanned) + "</title>\n" +
          std::string(kHtmlStyle) + "</head>\n<body>\n<h1>" + MarkupText(report.scanned) +
          "</h1>\n<table class='summary'>\n";
  html += HtmlSummaryRow("Program", report.program + " " + report.version);
  html += HtmlSummaryRow("Command", report.command);
  html += HtmlSummaryRow("Started", report.started);
  html += HtmlSummaryRow("Ended", report.ended);
  html += HtmlSummaryRow("Machine", report.machine);
  html += HtmlSummaryRow("Source", report.source.path + " (" + report.source.container + ", " +
                                       std::to_string(report.source.size) + " bytes)");
  if (!report.source.imageSha256.empty())
    html += HtmlSummaryRow("Image SHA-256", report.source.imageSha256);
  if (!report.source.model.empty() || !report.source.serial.empty())
    html += HtmlSummaryRow("Disk", report.source.model + ", serial " + report.source.serial);
  html += HtmlSummaryRow("Scan", report.scanKind);
  if (!report.selection.empty())
    html += HtmlSummaryRow("Selection", HtmlSelection(report.selection));
  if (!report.filter.empty()) html += HtmlSummaryRow("File types", report.filter);
  html +=
      HtmlSummaryRow("Map of unread areas", report.source.map.empty() ? "none" : report.source.map);
  html += HtmlSummaryRow("Files", std::to_string(report.files.size()));
  const Totals totals = CountTotals(report);
  html += HtmlSummaryRow("Files that hold bytes never read", std::to_string(totals.unread));
  for (std::size_t s = 0; s < kStates.size(); ++s) {
    if (totals.inState[s] != 0)
      html +=
          HtmlSummaryRow("Recovered " + std::string(kStates[s]), std::to_string(totals.inState[s]));
  }
  html +=
      "</table>\n<h2>Files</h2>\n<table class='files'>\n<thead><tr><th>Path</th><th>Size</th>"
      "<th>On disk</th><th>Bytes never read</th><th>Recovery</th><th>Written as</th>"
      "<th>SHA-256</th></tr></thead>\n<tbody>\n";
  const std::vector<const FileEntry*> rows = HtmlRows(report);
  for (const FileEntry* file : rows) {
    html += HtmlFileRow(*file);
    if (!out.HandOnWhenFull()) return false;
  }
  html += "</tbody>\n</table>\n";
  if (rows.size() < report.files.size()) {
    html += "<p>" + std::to_string(report.files.size() - rows.size()) +
            " more files, none of which needs attention, are listed in report.json.</p>\n";
  }
  html += std::string(kHtmlSort) + "</body>\n</html>\n";
  return out.HandOn();
}

namespace {

struct ReportForm {
  std::string_view extension;
  bool (*write)(const Report&, const platform::WriteText&);
};
constexpr ReportForm kReportForms[] = {
    {".json", WriteReportJson}, {".dfxml", WriteReportDfxml}, {".html", WriteReportHtml}};

// "report", or "report-N" with the first N from 2 for which none of the three names is taken.
std::string FreeReportStem(destination::Destination& destination) {
  for (int n = 1;; ++n) {
    const std::string stem = n == 1 ? "report" : "report-" + std::to_string(n);
    const auto taken = [&](std::string_view extension) {
      return destination.Exists(
          destination.Join(destination.Root(), stem + std::string(extension)));
    };
    if (!taken(".json") && !taken(".dfxml") && !taken(".html")) return stem;
  }
}

std::optional<std::string> WriteAt(destination::Destination& destination, const std::string& path,
                                   const Report& report, const ReportForm& form,
                                   std::stop_token stop) {
  platform::CreatedFile created = destination.CreateFile(path, std::move(stop));
  if (!created.file) return path + ": " + created.error;
  platform::WritableFile& file = *created.file;
  const bool written = form.write(report, [&file](std::string_view piece) {
    return file.Write({reinterpret_cast<const std::uint8_t*>(piece.data()), piece.size()});
  });
  if (!written || !file.Close()) return path + ": " + file.error();
  return std::nullopt;
}

}  // namespace

std::optional<std::string> WriteReportFiles(const Report& report, const std::string& folder) {
  std::string error;
  if (!platform::CreateFolders(folder, error)) return folder + ": " + error;
  for (const ReportForm& form : kReportForms) {
    const std::string path =
        platform::Utf8Text(platform::Utf8Path(folder) / ("report" + std::string(form.extension)));
    const auto text = [&](const platform::WriteText& write) { return form.write(report, write); };
    if (auto failed = platform::ReplaceFileAtomically(path, text)) return failed;
  }
  return std::nullopt;
}

app::Result<std::string> WriteReportAt(const Report& report, destination::Destination& destination,
                                       std::stop_token stop) {
  const std::string stem = FreeReportStem(destination);
  for (const ReportForm& form : kReportForms) {
    const std::string path =
        destination.Join(destination.Root(), stem + std::string(form.extension));
    if (auto failed = WriteAt(destination, path, report, form, stop)) return app::Failure{*failed};
  }
  return destination.Join(destination.Root(), stem + ".html");
}

std::string ReportWrittenText(const app::Result<std::string>& written) {
  return written.ok() ? "Report: " + written.value()
                      : "The report could not be written: " + written.error();
}

}  // namespace kestrel::report
