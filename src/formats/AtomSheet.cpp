#include "AtomSheet.h"

#include "Messenger.h"
#include "NumberFormat.h"
#include "TextFile.h"
#include "TextHelpers.h"

#include <freexl.h>
#include <ixion/address.hpp>
#include <ixion/model_context.hpp>
#include <orcus/orcus_xlsx.hpp>
#include <orcus/spreadsheet/document.hpp>
#include <orcus/spreadsheet/factory.hpp>
#include <xlsxwriter.h>

#include <array>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace koralix {

namespace {

constexpr std::array<const char*, 11> ValueHeaders = {"x",   "y",   "z",   "B",   "n",  "B11",
                                                      "B22", "B33", "B12", "B13", "B23"};

std::string Header(size_t column) {
    if (column == 0) return "#";
    if (column == 1) return "Mult";
    if (column == 2) return "Name";
    if (column == 3) return "Type";
    return column % 2 == 0 ? ValueHeaders[(column - 4) / 2] : "";
}

std::array<float, 11> Values(const TAtom& a) {
    return {a.X, a.Y, a.Z, a.B, a.N, a.B11, a.B22, a.B33, a.B12, a.B13, a.B23};
}

// The shortest text that reads back to the same double.
std::string NumberText(double value) {
    char buffer[32];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string(buffer, end) : std::string();
}

bool StartsWith(const std::string& fileName, std::string_view magic) {
    std::ifstream in(fileName, std::ios::binary);
    std::string head(magic.size(), '\0');
    in.read(head.data(), std::streamsize(head.size()));
    return in && head == magic;
}

bool ReadXlsx(const std::string& fileName, TSheetRows& rows, std::string& error) {
    try {
        orcus::spreadsheet::document doc{{1048576, 16384}};
        orcus::spreadsheet::import_factory factory(doc);
        orcus::orcus_xlsx reader(&factory);
        reader.read_file(fileName);
        if (doc.get_sheet_count() == 0) {
            error = fileName + ": the workbook has no worksheet";
            return false;
        }
        const ixion::model_context& cx = doc.get_model_context();
        ixion::abs_range_t range = cx.get_data_range(0);
        if (!range.valid()) return true;
        for (ixion::row_t r = 0; r <= range.last.row; ++r) {
            std::vector<std::string> row;
            for (ixion::col_t c = 0; c <= range.last.column; ++c) {
                ixion::abs_address_t at(0, r, c);
                switch (cx.get_celltype(at)) {
                case ixion::celltype_t::string: row.emplace_back(cx.get_string_value(at)); break;
                case ixion::celltype_t::numeric:
                case ixion::celltype_t::formula:
                    row.push_back(NumberText(cx.get_numeric_value(at)));
                    break;
                default: row.emplace_back(); break;
                }
            }
            rows.push_back(std::move(row));
        }
        return true;
    } catch (const std::exception& e) {
        error = fileName + ": " + e.what();
        return false;
    }
}

bool ReadXls(const std::string& fileName, TSheetRows& rows, std::string& error) {
    const void* handle = nullptr;
    if (freexl_open(fileName.c_str(), &handle) != FREEXL_OK) {
        error = fileName + ": not a readable .xls workbook";
        return false;
    }
    unsigned int lastRow = 0;
    unsigned short lastColumn = 0;
    bool ok = freexl_select_active_worksheet(handle, 0) == FREEXL_OK &&
              freexl_worksheet_dimensions(handle, &lastRow, &lastColumn) == FREEXL_OK;
    for (unsigned int r = 0; ok && r < lastRow; ++r) {
        std::vector<std::string> row;
        for (unsigned short c = 0; c < lastColumn; ++c) {
            FreeXL_CellValue cell;
            if (freexl_get_cell_value(handle, r, c, &cell) != FREEXL_OK) {
                ok = false;
                break;
            }
            switch (cell.type) {
            case FREEXL_CELL_INT: row.push_back(std::to_string(cell.value.int_value)); break;
            case FREEXL_CELL_DOUBLE: row.push_back(NumberText(cell.value.double_value)); break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME:
            case FREEXL_CELL_TIME: row.emplace_back(cell.value.text_value); break;
            default: row.emplace_back(); break;
            }
        }
        rows.push_back(std::move(row));
    }
    freexl_close(handle);
    if (!ok) error = fileName + ": the worksheet could not be read";
    return ok;
}

} // namespace

TSheetRows AtomGridRows(const TPhase& phase) {
    TSheetRows rows;
    std::vector<std::string> header;
    for (size_t c = 0; c < 26; ++c) header.push_back(Header(c));
    rows.push_back(header);
    int number = 1;
    for (const TAtom& a : phase.Atoms) {
        std::vector<std::string> row(26);
        row[0] = std::to_string(number++);
        row[1] = "0";
        row[2] = TrimText(a.Label.str());
        row[3] = TrimText(a.AtomType.str());
        std::array<float, 11> v = Values(a);
        for (size_t k = 0; k < v.size(); ++k) row[4 + 2 * k] = FixedText(v[k], 5);
        rows.push_back(row);
    }
    return rows;
}

bool WriteAtomSheet(const std::string& fileName, const TSheetRows& rows, std::string& error) {
    // libxlsxwriter writes by name: build the workbook beside the target and
    // rename it over the old file only when it is complete.
    const std::string temporary = fileName + ".part";
    lxw_workbook* book = workbook_new(temporary.c_str());
    if (!book) {
        error = fileName + ": cannot create the workbook";
        return false;
    }
    lxw_worksheet* sheet = workbook_add_worksheet(book, "Atoms");
    for (size_t r = 0; r < rows.size(); ++r) {
        for (size_t c = 0; c < rows[r].size(); ++c) {
            const std::string& text = rows[r][c];
            if (text.empty()) continue;
            double value = 0;
            if (r > 0 && c != 2 && c != 3 && TryParseReal(text, value))
                worksheet_write_number(sheet, lxw_row_t(r), lxw_col_t(c), value, nullptr);
            else
                worksheet_write_string(sheet, lxw_row_t(r), lxw_col_t(c), text.c_str(), nullptr);
        }
    }
    lxw_error status = workbook_close(book);
    std::error_code ec;
    if (status == LXW_NO_ERROR) std::filesystem::rename(temporary, fileName, ec);
    if (status != LXW_NO_ERROR || ec) {
        std::filesystem::remove(temporary, ec);
        error = fileName + ": " +
                (status != LXW_NO_ERROR ? lxw_strerror(status) : "cannot replace the file");
        return false;
    }
    return true;
}

bool ReadAtomSheet(const std::string& fileName, TSheetRows& rows, std::string& error) {
    rows.clear();
    if (const std::string problem = NotRegularFileProblem(fileName); !problem.empty()) {
        error = problem;
        return false;
    }
    if (!std::ifstream(fileName)) {
        error = fileName + ": the file cannot be opened";
        return false;
    }
    // .xlsx is a zip archive; .xls a compound document.
    if (StartsWith(fileName, "PK")) return ReadXlsx(fileName, rows, error);
    return ReadXls(fileName, rows, error);
}

bool AppendSheetAtoms(const TSheetRows& rows, TPhase& phase, Messenger& messenger) {
    auto cell = [](const std::vector<std::string>& row, size_t c) {
        return c < row.size() ? row[c] : std::string();
    };
    for (size_t r = 1; r < rows.size(); ++r) {
        TAtom atom;
        atom.Label = TrimText(cell(rows[r], 2)).substr(0, 4);
        atom.AtomType = TrimText(cell(rows[r], 3)).substr(0, 4);
        float* targets[] = {&atom.X, &atom.Y, &atom.Z, &atom.B, &atom.N};
        for (size_t k = 0; k < 5; ++k) {
            const std::string text = cell(rows[r], 4 + 2 * k);
            double value = 0;
            if (!TryParseReal(text, value)) {
                messenger.Message("'" + text + "' is not a valid floating point value (row " +
                                  std::to_string(r) + ", column " + Header(4 + 2 * k) + ")");
                return false;
            }
            *targets[k] = float(value);
        }
        phase.AddAtom(atom);
    }
    return true;
}

} // namespace koralix
