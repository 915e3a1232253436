#include "declarations_grid.h"

#include <QFontMetrics>
#include <QHash>
#include <QHeaderView>
#include <algorithm>
#include <array>
#include <QStandardItemModel>
#include <QTableView>

namespace klv {
namespace {

constexpr int kColumns = 7;

QTableView* declarationsView(QWidget* parent) {
    auto* grid = new QTableView(parent);
    grid->setObjectName(QStringLiteral("GrdDeclaraciones"));
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->verticalHeader()->setDefaultSectionSize(20);
    return grid;
}

}  // namespace

QStringList declarationCaptions() {
    return {QStringLiteral("Tipo de Documento"),     QStringLiteral("Nro Documento"),
            QStringLiteral("Nombre/ R.S."),          QStringLiteral("Periodo"),
            QStringLiteral("Autorizado Conta.M.E."), QStringLiteral("Eva.Tec. Prec.Trans."),
            QStringLiteral("Formulario")};
}

StoredDeclarationsModel::StoredDeclarationsModel(QObject* parent) : QAbstractTableModel(parent) {}

void StoredDeclarationsModel::setRows(StoredDeclarationList rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

int StoredDeclarationsModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_.size(); }

int StoredDeclarationsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant StoredDeclarationsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    const int row = index.row();
    using F = StoredDeclarationList::Field;
    switch (index.column()) {
    case 0: return documentTypeText(rows_.tipDocD(row));
    case 1: return rows_.text(row, F::DocIdD);
    case 2: return rows_.text(row, F::RazonSocial);
    case 3: return rows_.text(row, F::Periodo);
    case 4: return yesNoText(rows_.text(row, F::AutContExt));
    case 5: return yesNoText(rows_.text(row, F::EstTecPt));
    case 6: return rows_.text(row, F::Formulario);
    default: return {};
    }
}

std::vector<int> StoredDeclarationsModel::widestRows(int column, int count,
                                                    const std::function<int(std::string_view)>& width) const {
    using F = StoredDeclarationList::Field;
    static constexpr F kField[kColumns] = {F::DocIdD, F::DocIdD, F::RazonSocial, F::Periodo,
                                           F::AutContExt, F::EstTecPt, F::Formulario};
    if (column < 0 || column >= kColumns || count <= 0) return {};
    // The width of what the cell shows: codes shown by their texts are measured as those.
    auto shown = [&](int row) {
        if (column == 0) return width(documentTypeText(rows_.tipDocD(row)).toStdString());
        const std::string_view b = rows_.bytes(row, kField[column]);
        if (column == 4 || column == 5) return width(b == "1" ? "SI" : b == "0" ? "NO" : b);
        return width(b);
    };
    std::vector<std::pair<int, int>> best;  // (width, row), the widest first
    for (int row = 0; row < rows_.size(); ++row) {
        // The document type has a handful of values: one row of each is enough.
        if (column == 0 && std::any_of(best.begin(), best.end(), [&](const auto& b) {
                return rows_.tipDocD(b.second) == rows_.tipDocD(row);
            }))
            continue;
        const int w = shown(row);
        if (static_cast<int>(best.size()) == count && w <= best.back().first) continue;
        const auto at = std::upper_bound(best.begin(), best.end(), w, [](int v, const auto& b) { return v > b.first; });
        best.insert(at, {w, row});
        if (static_cast<int>(best.size()) > count) best.pop_back();
    }
    std::vector<int> rows;
    for (const auto& b : best) rows.push_back(b.second);
    return rows;
}

QVariant StoredDeclarationsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < kColumns)
        return declarationCaptions().at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

QTableView* createDeclarationsGrid(QWidget* parent, StoredDeclarationsModel** model) {
    QTableView* grid = declarationsView(parent);
    *model = new StoredDeclarationsModel(parent);
    grid->setModel(*model);
    return grid;
}

void fitColumnsToValues(QTableView* grid, const StoredDeclarationsModel& model) {
    // A text's width estimated as the sum of its characters' widths (kerning aside): the printable
    // ASCII characters measured first, any other character when it first appears.
    const QFontMetrics metrics(grid->font());
    std::array<int, 128> ascii{};
    for (char16_t c = 32; c < 127; ++c) ascii[c] = metrics.horizontalAdvance(QChar(c));
    QHash<char32_t, int> others;
    auto width = [&](std::string_view utf8) {
        int w = 0;
        for (size_t i = 0; i < utf8.size();) {
            const auto b = static_cast<unsigned char>(utf8[i]);
            if (b < 0x80) {
                w += ascii[b];
                ++i;
                continue;
            }
            const int n = b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
            char32_t c = b & (0x3F >> (n - 1));
            for (int k = 1; k < n && i + k < utf8.size(); ++k) c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
            auto known = others.constFind(c);
            if (known == others.constEnd()) known = others.insert(c, metrics.horizontalAdvance(QString::fromUcs4(&c, 1)));
            w += known.value();
            i += static_cast<size_t>(n);
        }
        return w;
    };
    // The estimate ranks the values; the few widest are measured as the grid lays them out.
    constexpr int kMeasured = 8;
    QHeaderView* header = grid->horizontalHeader();
    const int gridLine = grid->showGrid() ? 1 : 0;
    for (int column = 0; column < model.columnCount(); ++column) {
        int w = header->isHidden() ? 0 : header->sectionSizeHint(column);
        for (int row : model.widestRows(column, kMeasured, width))
            w = std::max(w, grid->sizeHintForIndex(model.index(row, column)).width() + gridLine);
        header->resizeSection(column, w);
    }
}

QTableView* createDeclarationsGrid(QWidget* parent, QStandardItemModel** model) {
    QTableView* grid = declarationsView(parent);
    *model = new QStandardItemModel(0, kColumns, parent);
    (*model)->setHorizontalHeaderLabels(declarationCaptions());
    grid->setModel(*model);
    return grid;
}

QList<QStandardItem*> declarationRowItems(const StoredDeclaration& d) {
    return {new QStandardItem(documentTypeText(d.tipDocD)), new QStandardItem(d.docIdD),
            new QStandardItem(d.razonSocial),                new QStandardItem(d.periodo),
            new QStandardItem(yesNoText(d.autContExt)),     new QStandardItem(yesNoText(d.estTecPt)),
            new QStandardItem(d.formulario)};
}

}  // namespace klv
