#include "base/datamodule.h"

#include "core/ui.h"

namespace queries {

QStringList smena1() {
    return {
        QStringLiteral("select smena.id, smena.data, smena.smena, smena.i_id, smena.o_id, smena.w_id, "),
        QStringLiteral(
            "smena.cena,person.s_caption fio, izdel.marka, vid_oper.vid, (SELECT (CASE naimen WHEN 0 THEN "
            "'Готовая продукция' ELSE 'Заготовки' END)) as nmn, oper.naimen,  smena.brak, smena.kol_vo::numeric,"),
        QStringLiteral("round((kol_vo-brak)*smena.cena::numeric, 2) as summa, smena.prize, color,time, smena.ok, vvod, "
                       "smena.id_doc, smena.id_doc_item, smena.f_gds_qty_use, smena.id_gds_use, smena.id_cons_use"),
        QStringLiteral("from cmn_contractor.person person, accounts_dep.izdel,accounts_dep.oper,accounts_dep.smena,"
                       "accounts_dep.vid_oper "),
        QStringLiteral(
            "where smena.i_id=izdel.id and smena.o_id=oper.id and (w_id=person.id or s_code::t_id=w_id) and "),
        QStringLiteral("oper.vid=vid_oper.id and smena.smena=1 and smena.data=:data and ok!=:ok order by "),
        QStringLiteral("fio, izdel.marka, vid_oper.vid, oper.naimen, color"),
    };
}

QStringList smenaN(int shift) {
    return {
        QStringLiteral("select smena.data, smena.smena, smena.i_id, smena.o_id, smena.w_id, "),
        QStringLiteral(
            "smena.cena, s_caption fio, izdel.marka, vid_oper.vid, (SELECT (CASE naimen WHEN 0 THEN "
            "'Готовая продукция' ELSE 'Заготовки' END)) as nmn, oper.naimen, smena.kol_vo::numeric, smena.brak, "),
        QStringLiteral(
            "round((kol_vo-brak)*smena.cena::numeric, 2) as summa, smena.prize, smena.id, color,time,smena.ok,"
            "vvod, smena.id_doc, smena.id_doc_item, smena.f_gds_qty_use, smena.id_gds_use, smena.id_cons_use  "),
        QStringLiteral("from cmn_contractor.person person,accounts_dep.izdel,accounts_dep.oper,accounts_dep.smena,"
                       "accounts_dep.vid_oper "),
        QStringLiteral(
            "where smena.i_id=izdel.id and smena.o_id=oper.id and (w_id=person.id or s_code::t_id=w_id) and "),
        QStringLiteral("oper.vid=vid_oper.id and smena.smena=") + QString::number(shift) +
            QStringLiteral(" and smena.data=:data and ok<>:ok order by fio"),
    };
}

QStringList hTabel(int shift) {
    // The 31 day cells summed, broken into lines after the terms for d10, d20 and d30.
    auto sumLines = [](const QString& head, const QString& tail) {
        QStringList lines;
        QString line = head;
        for (int d = 1; d <= 31; ++d) {
            line += QStringLiteral("coalesce(d%1,0)").arg(d);
            if (d < 31)
                line += QLatin1Char('+');
            if (d == 10 || d == 20 || d == 30) {
                lines << line;
                line.clear();
            }
        }
        lines << line + tail;
        return lines;
    };
    QStringList q;
    q << QStringLiteral("select person.s_caption fio, ");
    q << sumLines(QStringLiteral("("), QStringLiteral(") as summ, "));
    q << sumLines(QStringLiteral("case when ("), QStringLiteral(")=0 then 0 else"));
    // The earnings per hour close with two parentheses: the text as first written had a third, unbalanced
    // one, which the server refuses.
    q << sumLines(QStringLiteral("(sum(s.cena*(kol_vo-brak))/("),
                  QStringLiteral(")) end ::numeric(10,2) as average_price, sum(s.cena*(kol_vo-brak))::numeric(10,2) as "
                                 "cena_all,"));
    q << QStringLiteral("h_tabel.* ");
    q << QStringLiteral("from accounts_dep.h_tabel, cmn_contractor.person, accounts_dep.smena s where ");
    q << QStringLiteral("h_tabel.w_id=person.s_code::integer and h_tabel.smena=") + QString::number(shift) +
             QStringLiteral(" and month=:mnth and s.w_id = h_tabel.w_id and");
    q << QStringLiteral("h_tabel.year=:yea and s.data >=:date1 and s.data <:date2");
    q << QStringLiteral("group by person.s_caption,h_tabel.w_id,h_tabel.month,h_tabel.year,h_tabel.smena,h_tabel.id ");
    q << QStringLiteral("order by fio");
    return q;
}

QStringList oper() {
    return {
        QStringLiteral(
            "select izdel.MARKA, vid_oper.VID, oper.NAIMEN, (SELECT (CASE naimen WHEN 0 THEN 'Готовая продукция' "
            "ELSE 'Заготовки' END)) as nmn,"),
        QStringLiteral("count(o_id) norma, min(price)::numeric cena,"),
        QStringLiteral(
            "oper.id, oper.i_id, oper.VID as oper_vid from accounts_dep.norm,accounts_dep.OPER,accounts_dep.IZDEL,"
            "accounts_dep.VID_OPER where OPER.i_id=IZDEL.id and norm.o_id=oper.id"),
        QStringLiteral("and oper.vid=vid_oper.id group by izdel.MARKA, vid_oper.VID, oper.NAIMEN, oper.id, oper.i_id, "
                       "oper.VID order by izdel.marka, vid_oper.vid, oper.naimen"),
    };
}

}  // namespace queries

TDataModule6::TDataModule6(QObject* parent)
    : QObject(parent),
      Workers(ADO_DB, QStringLiteral("Workers"), this),
      Control(ADO_DB, QStringLiteral("Control"), this),
      Izdel(ADO_DB, QStringLiteral("Izdel"), this),
      Oper(ADO_DB, QStringLiteral("Oper"), this),
      Vid_oper(ADO_DB, QStringLiteral("Vid_oper"), this),
      Smena1(ADO_DB, QStringLiteral("Smena1"), this),
      Smena2(ADO_DB, QStringLiteral("Smena2"), this),
      Smena3(ADO_DB, QStringLiteral("Smena3"), this),
      Smena4(ADO_DB, QStringLiteral("Smena4"), this),
      H_Tabel_1(ADO_DB, QStringLiteral("H_Tabel_1"), this),
      H_Tabel_2(ADO_DB, QStringLiteral("H_Tabel_2"), this),
      H_Tabel_3(ADO_DB, QStringLiteral("H_Tabel_3"), this),
      DelSmena(ADO_DB),
      H_Tabel_ins(ADO_DB),
      Oper_ins(ADO_DB),
      Oper_ed(ADO_DB),
      Oper_del(ADO_DB, QStringLiteral("delete from accounts_dep.oper where id=:id")),
      SQL_exec(ADO_DB) {
    setObjectName(QStringLiteral("TDataModule6"));
    Workers.setSql(QStringLiteral("select * from accounts_dep.person order by fio"));
    Izdel.setSql(QStringLiteral("select *  from accounts_dep.IZDEL order by marka"));
    Oper.setSql(queries::oper());
    Vid_oper.setSql(QStringLiteral("select * from accounts_dep.VID_OPER order by vid"));
    Vid_oper.setTable(QStringLiteral("accounts_dep.vid_oper"), QStringLiteral("id"));
    Smena1.setSql(queries::smena1());
    Smena1.setParam(QStringLiteral("ok"), QStringLiteral("ok"));
    Dataset* others[] = {&Smena2, &Smena3, &Smena4};
    for (int s = 2; s <= 4; ++s) {
        others[s - 2]->setSql(queries::smenaN(s));
        others[s - 2]->setParam(QStringLiteral("ok"), QStringLiteral("ta"));
    }
    H_Tabel_1.setSql(queries::hTabel(1));
    H_Tabel_2.setSql(queries::hTabel(2));
    H_Tabel_3.setSql(queries::hTabel(3));
}

Dataset& TDataModule6::smena(int shift) {
    switch (shift) {
        case 2:
            return Smena2;
        case 3:
            return Smena3;
        case 4:
            return Smena4;
        default:
            return Smena1;
    }
}

Dataset& TDataModule6::hTabel(int shift) {
    switch (shift) {
        case 2:
            return H_Tabel_2;
        case 3:
            return H_Tabel_3;
        default:
            return H_Tabel_1;
    }
}

int TDataModule6::controlInt(const QString& sqlText, const QString& column) {
    Control.close();
    Control.clearSql();
    Control.addSql(sqlText);
    Control.open();
    const int value = Control.isEmpty() ? 0 : Control.field(column).asInt();
    Control.close();
    return value;
}

bool TDataModule6::CheckCount(const QString& sqlText, const QString& message) {
    const int cnt = controlInt(sqlText, QStringLiteral("cnt"));
    if (cnt > 0) {
        ui::messageBox(message, QStringLiteral("Ошибка"), ui::MB_ERROR);
        return true;
    }
    return false;
}

QString TDataModule6::ToDbDecimal(const QString& text) const {
    int at = text.indexOf(QLatin1Char(','));
    if (at < 0)
        at = text.indexOf(QLatin1Char('.'));
    if (at < 0)
        return text;
    QString out = text;
    out.replace(at, 1, delimiter);
    return out;
}
