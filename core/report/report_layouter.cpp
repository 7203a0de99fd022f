#include "core/report/report_layouter.h"

#include <QHash>
#include <QSet>
#include <stdexcept>

#include "core/format.h"

namespace report {

// ---------------------------------------------------------------------------------------------------------------
// Definition helpers

QVariant Row::value(const QString& f) const {
    if (!valid())
        return {};
    const int col = ds_->columnIndex(f);
    if (col < 0 || row_ >= ds_->recordCount())
        return {};
    return ds_->valueAt(row_, col);
}

bool Row::isNull(const QString& f) const {
    return value(f).isNull();
}
double Row::number(const QString& f) const {
    return value(f).toDouble();
}
int Row::integer(const QString& f) const {
    return value(f).toInt();
}

QString Row::text(const QString& f) const {
    if (!valid())
        return {};
    const int col = ds_->columnIndex(f);
    if (col < 0 || row_ >= ds_->recordCount())
        return {};
    return ds_->textAt(row_, col);
}

Item& ReportDefinition::item(const QString& name) {
    auto inBand = [&](Band& b) -> Item* {
        for (Item& i : b.items)
            if (i.name == name)
                return &i;
        return nullptr;
    };
    std::vector<Band*> bands{&reportHeader, &pageHeader, &detail, &summary, &pageFooter};
    for (Group& g : groups) {
        bands.push_back(&g.header);
        bands.push_back(&g.footer);
    }
    for (Band* b : bands)
        if (Item* i = inBand(*b))
            return *i;
    throw std::logic_error("report item not found: " + name.toStdString());
}

static Item make(Item::Kind kind, const QRectF& r, Font font, Qt::Alignment align) {
    Item i;
    i.kind = kind;
    i.rect = r;
    i.font = std::move(font);
    i.alignment = align;
    return i;
}

Item label(const QRectF& r, const QString& text, Font font, Qt::Alignment align) {
    Item i = make(Item::Label, r, std::move(font), align);
    i.text = text;
    return i;
}

Item field(const QRectF& r, const QString& f, Font font, Qt::Alignment align, const QString& mask) {
    Item i = make(Item::Field, r, std::move(font), align);
    i.field = f;
    i.mask = mask;
    return i;
}

Item computed(const QRectF& r, Expr expr, Font font, Qt::Alignment align, const QString& mask) {
    Item i = make(Item::Computed, r, std::move(font), align);
    i.expr = std::move(expr);
    i.mask = mask;
    return i;
}

Item sum(const QRectF& r, const QString& f, Font font, Qt::Alignment align, const QString& mask) {
    Item i = make(Item::Sum, r, std::move(font), align);
    i.field = f;
    i.mask = mask;
    return i;
}

Item sumOf(const QRectF& r, const QString& name, Expr expr, Font font, Qt::Alignment align, const QString& mask) {
    Item i = make(Item::Sum, r, std::move(font), align);
    i.name = name;
    i.expr = std::move(expr);
    i.mask = mask;
    return i;
}

Item pageNumber(const QRectF& r, const QString& format, Font font, Qt::Alignment align) {
    Item i = make(Item::PageNumber, r, std::move(font), align);
    i.text = format;
    return i;
}

Item printDate(const QRectF& r, const QString& format, Font font, Qt::Alignment align) {
    Item i = make(Item::PrintDate, r, std::move(font), align);
    i.text = format;
    return i;
}

Item shape(const QRectF& r, const Frame& frame, const QColor& fill) {
    Item i = make(Item::Shape, r, {}, {});
    i.frame = frame;
    i.fill = fill;
    return i;
}

QString formatValue(const QVariant& v, const QString& mask) {
    if (v.isNull() || !v.isValid())
        return {};
    switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
            if (mask.isEmpty())
                return QString::number(v.toLongLong());
            return fmt::mask(v.toDouble(), mask);
        case QMetaType::Double:
        case QMetaType::Float:
            return mask.isEmpty() ? fmt::general(v.toDouble()) : fmt::mask(v.toDouble(), mask);
        case QMetaType::QDate:
            return fmt::date(v.toDate());
        case QMetaType::QDateTime:
            return fmt::date(v.toDateTime().date());
        default:
            return v.toString();
    }
}

QString continuedMark() {
    return QStringLiteral("(продолжение)");
}

// ---------------------------------------------------------------------------------------------------------------
// Layout

namespace {

QString mm(double v) {
    return QString::number(v, 'f', 1);
}

// Sums by group level (0..groups-1) and for the whole report (the last level).
class Aggregator {
public:
    void init(int levels, int sources) { sums_.assign(size_t(levels + 1), std::vector<double>(size_t(sources), 0.0)); }
    void add(int source, double v) {
        for (auto& level : sums_)
            level[size_t(source)] += v;
    }
    void reset(int level) { std::fill(sums_[size_t(level)].begin(), sums_[size_t(level)].end(), 0.0); }
    double value(int level, int source) const { return sums_[size_t(level)][size_t(source)]; }
    int reportLevel() const { return int(sums_.size()) - 1; }

private:
    std::vector<std::vector<double>> sums_;
};

class Layouter {
public:
    Layouter(const ReportDefinition& def, const RowSource* ds, const LayoutOptions& opt)
        : def_(def), ds_(ds), opt_(opt) {
        out_.page = def.page;
        out_.title = def.title;
        rows_ = ds && ds->isOpen() ? ds->recordCount() : 0;
        for (const Group& g : def.groups)
            keyCols_.push_back(g.key.isEmpty() || !ds || !ds->isOpen() ? -1 : ds->columnIndex(g.key));
        collectSums();
    }

    Layout run() {
        const int levels = int(def_.groups.size());
        newPage();
        int prev = -1;
        for (int r = 0; r < rows_; ++r) {
            int open = 0;  // outermost level that starts here
            if (prev >= 0) {
                open = levels;
                for (int g = 0; g < levels; ++g)
                    if (keyChanged(g, prev, r)) {
                        open = g;
                        break;
                    }
                closeGroups(open, prev);
            }
            for (int g = open; g < levels; ++g) {
                openLevels_ = g;  // the header itself does not repeat while it is being placed
                if (prev >= 0 && def_.groups[size_t(g)].newPage && y_ > pageBodyTop_ + 1e-9)
                    breakPage();
                // The headers of the inner groups that open here follow it on the same page.
                double inner = 0;
                for (int k = g + 1; k < levels; ++k)
                    if (def_.groups[size_t(k)].header.present())
                        inner += def_.groups[size_t(k)].header.height;
                placeKeepingNext(def_.groups[size_t(g)].header, QStringLiteral("groupHeader:") + groupName(g), g, r,
                                 inner);
            }
            openLevels_ = levels;
            accumulate(r);
            place(def_.detail, QStringLiteral("detail"), -1, r);
            prev = r;
            if (opt_.rowsDone && r % 256 == 255)
                opt_.rowsDone(r + 1);
        }
        if (prev >= 0)
            closeGroups(0, prev);
        openLevels_ = 0;
        place(def_.summary, QStringLiteral("summary"), -1, prev);
        finishPage();
        fillPageCount();
        if (opt_.rowsDone)
            opt_.rowsDone(rows_);
        return std::move(out_);
    }

private:
    QString groupName(int g) const {
        const QString& k = def_.groups[size_t(g)].key;
        return k.isEmpty() ? QString::number(g) : k;
    }

    bool keyChanged(int g, int a, int b) const {
        const int col = keyCols_[size_t(g)];
        if (col < 0)
            return false;
        if (ds_->isNullAt(a, col) != ds_->isNullAt(b, col))
            return true;
        return ds_->textAt(a, col) != ds_->textAt(b, col);
    }

    void closeGroups(int outermost, int lastRow) {
        for (int g = int(def_.groups.size()) - 1; g >= outermost; --g) {
            openLevels_ = g + 1;
            place(def_.groups[size_t(g)].footer, QStringLiteral("groupFooter:") + groupName(g), g, lastRow);
            agg_.reset(g);
            openLevels_ = g;
        }
    }

    void collectSums() {
        int n = 0;
        auto visit = [&](const Band& b) {
            for (const Item& i : b.items)
                if (i.kind == Item::Sum) {
                    const QString key = i.expr ? QStringLiteral("#") + i.name : i.field;
                    if (!sourceIndex_.contains(key)) {
                        sourceIndex_.insert(key, n++);
                        sources_.push_back(&i);
                        sourceCols_.push_back(i.expr || !ds_ || !ds_->isOpen() ? -1 : ds_->columnIndex(i.field));
                    }
                }
        };
        visit(def_.reportHeader);
        visit(def_.pageHeader);
        for (const Group& g : def_.groups) {
            visit(g.header);
            visit(g.footer);
        }
        visit(def_.detail);
        visit(def_.summary);
        visit(def_.pageFooter);
        agg_.init(int(def_.groups.size()), n);
    }

    void accumulate(int r) {
        for (size_t s = 0; s < sources_.size(); ++s) {
            const Item* i = sources_[s];
            double v = 0;
            if (i->expr)
                v = i->expr(Row(ds_, r)).toDouble();
            else if (sourceCols_[s] >= 0 && !ds_->isNullAt(r, sourceCols_[s]))
                v = ds_->valueAt(r, sourceCols_[s]).toDouble();
            agg_.add(int(s), v);
        }
    }

    double top() const { return def_.page.marginTop; }
    double limit() const {
        return def_.page.pageHeight() - def_.page.marginBottom -
               (def_.pageFooter.present() ? def_.pageFooter.height : 0);
    }

    void newPage() {
        // A finished page keeps no spare room; the next one, most likely as full, gets its room at once (a report
        // of hundreds of pages would otherwise hold a third more than its items).
        size_t expected = 0;
        if (!out_.pages.empty()) {
            out_.pages.back().items.shrink_to_fit();
            expected = out_.pages.back().items.size();
        }
        const bool first = out_.pages.empty();
        out_.pages.emplace_back();
        out_.pages.back().items.reserve(expected);
        y_ = top();
        if (first)
            place(def_.reportHeader, QStringLiteral("reportHeader"), -1, -1, false);
        place(def_.pageHeader, QStringLiteral("pageHeader"), -1, lastRow_, false);
        for (int g = 0; g < openLevels_ && g < int(def_.groups.size()); ++g) {
            const Group& group = def_.groups[size_t(g)];
            if (!group.repeatHeader)
                continue;
            continuedItem_ = group.continuedItem;
            place(group.header, QStringLiteral("groupHeader:") + groupName(g), g, lastRow_, false);
            continuedItem_.clear();
        }
        pageBodyTop_ = y_;
    }

    void finishPage() {
        if (def_.pageFooter.present()) {
            y_ = limit();
            emitBand(def_.pageFooter, QStringLiteral("pageFooter"), -1, lastRow_);
        }
    }

    // A group header goes to the next page when the inner headers after it and the first detail line would not
    // fit after it.
    void placeKeepingNext(const Band& b, const QString& name, int level, int row, double inner) {
        if (!b.present())
            return;
        const double need = b.height + inner + (def_.detail.present() ? def_.detail.height : 0);
        if (y_ + need > limit() + 1e-9 && y_ > pageBodyTop_ + 1e-9)
            breakPage();
        place(b, name, level, row);
    }

    void breakPage() {
        finishPage();
        newPage();
    }

    void place(const Band& b, const QString& name, int level, int row, bool mayBreak = true) {
        if (!b.present())
            return;
        if (mayBreak && y_ + b.height > limit() + 1e-9 && y_ > pageBodyTop_ + 1e-9)
            breakPage();
        if (row >= 0)
            lastRow_ = row;
        emitBand(b, name, level, row);
        y_ += b.height;
    }

    quint16 textStyle(const Item& i) {
        const TextStyle s{i.font, i.alignment, i.color};
        for (size_t k = 0; k < out_.textStyles.size(); ++k)
            if (out_.textStyles[k] == s)
                return quint16(k);
        out_.textStyles.push_back(s);
        return quint16(out_.textStyles.size() - 1);
    }

    quint16 penStyle(const Frame& f) {
        for (size_t k = 0; k < out_.penStyles.size(); ++k)
            if (out_.penStyles[k] == f)
                return quint16(k);
        out_.penStyles.push_back(f);
        return quint16(out_.penStyles.size() - 1);
    }

    void frameLines(Page& p, quint16 band, const QRectF& r, const Frame& f) {
        if (!f.sides)
            return;
        const quint16 st = penStyle(f);
        auto line = [&](QPointF a, QPointF b) {
            Primitive pr;
            pr.kind = Primitive::Line;
            pr.band = band;
            pr.style = st;
            pr.rect = QRectF(a, b);
            p.items.push_back(std::move(pr));
        };
        if (f.sides & Frame::Top)
            line(r.topLeft(), r.topRight());
        if (f.sides & Frame::Bottom)
            line(r.bottomLeft(), r.bottomRight());
        if (f.sides & Frame::Left)
            line(r.topLeft(), r.bottomLeft());
        if (f.sides & Frame::Right)
            line(r.topRight(), r.bottomRight());
    }

    void fill(Page& p, quint16 band, const QRectF& r, const QColor& c) {
        if (!c.isValid())
            return;
        Primitive pr;
        pr.kind = Primitive::Fill;
        pr.band = band;
        pr.rect = r;
        pr.color = c;
        p.items.push_back(std::move(pr));
    }

    QString itemText(const Item& i, int level, int row, bool* pageCount) {
        switch (i.kind) {
            case Item::Label:
                return i.text;
            case Item::Field: {
                if (row < 0 || !ds_ || !ds_->isOpen())
                    return {};
                const int col = ds_->columnIndex(i.field);
                if (col < 0 || ds_->isNullAt(row, col))
                    return {};
                return formatValue(ds_->valueAt(row, col), i.mask);
            }
            case Item::Computed:
                return i.expr ? formatValue(i.expr(Row(ds_, row)), i.mask) : QString();
            case Item::Sum: {
                int lv = i.sumLevel;
                if (lv == -2)
                    lv = level;
                if (lv < 0 || lv >= int(def_.groups.size()))
                    lv = agg_.reportLevel();
                const QString key = i.expr ? QStringLiteral("#") + i.name : i.field;
                return formatValue(agg_.value(lv, sourceIndex_.value(key)), i.mask);
            }
            case Item::PageNumber: {
                const QString f = i.text.isEmpty() ? QStringLiteral("%1") : i.text;
                if (f.contains(QLatin1String("%2")))
                    *pageCount = true;
                return QString(f).replace(QLatin1String("%1"), QString::number(out_.pages.size()));
            }
            case Item::PrintDate: {
                const QString f = i.text.isEmpty() ? QStringLiteral("%1") : i.text;
                return QString(f).replace(QLatin1String("%1"), fmt::date(opt_.printDate));
            }
            case Item::Shape:
                return {};
        }
        return {};
    }

    // The same text printed again (a product kind, a colour, a count) shares the first one's characters.
    QString shared(QString t) {
        auto it = texts_.constFind(t);
        if (it != texts_.cend())
            return *it;
        texts_.insert(t);
        return t;
    }

    void emitBand(const Band& b, const QString& name, int level, int row) {
        Page& p = out_.pages.back();
        const quint16 bi = quint16(p.bands.size());
        p.bands.push_back({b.name.isEmpty() ? name : b.name, y_, row});
        const double x0 = def_.page.marginLeft;
        const QRectF bandRect(x0, y_, def_.page.contentWidth(), b.height);
        fill(p, bi, bandRect, b.fill);
        for (const Item& i : b.items) {
            const QRectF r = i.rect.translated(x0, y_);
            fill(p, bi, r, i.fill);
            bool needsCount = false;
            QString t = itemText(i, level, row, &needsCount);
            if (!continuedItem_.isEmpty() && i.name == continuedItem_)
                t += QLatin1Char(' ') + continuedMark();
            if (!t.isEmpty()) {
                Primitive pr;
                pr.kind = Primitive::Text;
                pr.band = bi;
                pr.style = textStyle(i);
                pr.rect = r;
                pr.text = shared(std::move(t));
                if (needsCount)
                    pendingCount_.push_back({out_.pages.size() - 1, p.items.size(), i.text});
                p.items.push_back(std::move(pr));
            }
            frameLines(p, bi, r, i.frame);
        }
        frameLines(p, bi, bandRect, b.frame);
    }

    // The second pass: page numbers that show the page count.
    void fillPageCount() {
        for (const auto& pc : pendingCount_) {
            QString f = pc.format;
            f.replace(QLatin1String("%1"), QString::number(pc.page + 1));
            f.replace(QLatin1String("%2"), QString::number(out_.pages.size()));
            out_.pages[pc.page].items[pc.item].text = f;
        }
    }

    struct PendingCount {
        size_t page, item;
        QString format;
    };

    const ReportDefinition& def_;
    const RowSource* ds_;
    LayoutOptions opt_;
    Layout out_;
    int rows_ = 0;
    std::vector<int> keyCols_;
    QHash<QString, int> sourceIndex_;
    QSet<QString> texts_;  // every text placed so far, see shared()
    std::vector<const Item*> sources_;
    std::vector<int> sourceCols_;
    Aggregator agg_;
    std::vector<PendingCount> pendingCount_;
    double y_ = 0;
    double pageBodyTop_ = 0;
    int openLevels_ = 0;     // groups open at this point (their headers repeat on a new page)
    QString continuedItem_;  // while a header is printed again: its item marked as continued
    int lastRow_ = -1;
};

}  // namespace

Layout layout(const ReportDefinition& def, const RowSource* ds, const LayoutOptions& options) {
    return Layouter(def, ds, options).run();
}

QString Layout::dump() const {
    QString out;
    for (size_t p = 0; p < pages.size(); ++p) {
        out += QStringLiteral("page %1\n").arg(p + 1);
        const Page& pg = pages[p];
        size_t next = 0;
        for (size_t b = 0; b < pg.bands.size(); ++b) {
            const PlacedBand& band = pg.bands[b];
            out += QStringLiteral(" band %1 @%2").arg(band.name, mm(band.top));
            if (band.row >= 0)
                out += QStringLiteral(" row %1").arg(band.row);
            out += QLatin1Char('\n');
            for (; next < pg.items.size() && pg.items[next].band == b; ++next) {
                const Primitive& pr = pg.items[next];
                const QRectF& r = pr.rect;
                switch (pr.kind) {
                    case Primitive::Text:
                        out += QStringLiteral("  text %1,%2 %3x%4 \"%5\"\n")
                                   .arg(mm(r.x()), mm(r.y()), mm(r.width()), mm(r.height()), pr.text);
                        break;
                    case Primitive::Line:
                        out += QStringLiteral("  line %1,%2 %3,%4\n")
                                   .arg(mm(r.left()), mm(r.top()), mm(r.right()), mm(r.bottom()));
                        break;
                    case Primitive::Fill:
                        out += QStringLiteral("  fill %1,%2 %3x%4 %5\n")
                                   .arg(mm(r.x()), mm(r.y()), mm(r.width()), mm(r.height()), pr.color.name());
                        break;
                }
            }
        }
    }
    return out;
}

QStringList Layout::bandNames(int page) const {
    QStringList names;
    for (const PlacedBand& b : pages.at(size_t(page)).bands)
        names << b.name;
    return names;
}

QStringList Layout::texts(int page) const {
    QStringList t;
    for (const Primitive& p : pages.at(size_t(page)).items)
        if (p.kind == Primitive::Text)
            t << p.text;
    return t;
}

}  // namespace report
