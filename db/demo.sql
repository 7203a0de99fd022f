-- Demo data for the production-accounting client. Load after schema.sql:
--   psql -v ON_ERROR_STOP=1 -d plantdb -f db/demo.sql
--
-- Dates are relative to current_date: shift records, maintenance work and
-- time sheets cover the previous month and the current month up to today, so
-- the journal always has today's records. Random choices are repeatable
-- (setseed below); the same day gives the same data.
--
-- Id ranges, kept apart so that a mixed-up id shows in a test:
--   workers (ERP person and accounts_dep.person)  101..140, s_code = id
--   other ERP contractors                         5001..5300
--   classifier items (groups are 11..17)          10..18
--   products                                      1001..1043
--   operation kinds                               1..17, 7777, 7778

SET client_encoding = 'UTF8';
SET client_min_messages = warning;

-- Same seed on every load: the same day gives the same data.
DO $$ BEGIN PERFORM setseed(0.42); END $$;

-- ---------------------------------------------------------------------------
-- ERP reference data
-- ---------------------------------------------------------------------------

INSERT INTO cmn_department.department (id, id_branch, s_code, s_caption, s_description, id_parent) VALUES
    (1, 1, '00', 'Завод',                      'Головное подразделение', NULL),
    (2, 1, '01', 'Заготовительный цех',        NULL, 1),
    (3, 1, '02', 'Механосборочный цех',        NULL, 1),
    (4, 1, '03', 'Малярный участок',           NULL, 1),
    (5, 1, '04', 'Склад готовой продукции',    NULL, 1);

INSERT INTO hrms_staffpos.staffpos (id, id_department, s_code, s_caption, d_begin, d_end, s_description) VALUES
    (1, 2, '101', 'Штамповщик',       DATE '2010-01-01', NULL, NULL),
    (2, 2, '102', 'Резчик',           DATE '2010-01-01', NULL, NULL),
    (3, 3, '201', 'Слесарь-сборщик',  DATE '2010-01-01', NULL, NULL),
    (4, 3, '202', 'Токарь',           DATE '2010-01-01', NULL, NULL),
    (5, 3, '203', 'Сварщик',          DATE '2010-01-01', NULL, NULL),
    (6, 4, '301', 'Маляр',            DATE '2010-01-01', NULL, NULL),
    (7, 5, '401', 'Упаковщик',        DATE '2010-01-01', NULL, NULL),
    (8, 5, '402', 'Кладовщик',        DATE '2010-01-01', NULL, NULL),
    (9, 3, '204', 'Мастер участка',   DATE '2010-01-01', NULL, NULL);

INSERT INTO adm_role.roles (id, s_name, s_caption, d_begin, d_end, b_active) VALUES
    (1, 'operator',    'Оператор',       DATE '2010-01-01', NULL, true),
    (2, 'master',      'Мастер',         DATE '2010-01-01', NULL, true),
    (3, 'storekeeper', 'Кладовщик',      DATE '2010-01-01', NULL, true),
    (4, 'admin',       'Администратор',  DATE '2010-01-01', NULL, true),
    (5, 'guest',       'Гость',          DATE '2010-01-01', DATE '2015-12-31', false);

-- Classifier: a root, the nomenclature groups (level 2) and one excluded
-- item of level 3; only level 2 is offered as a group.
INSERT INTO cmn_classifier.item (id, id_classifier, id_level, s_code, s_caption, s_description, b_excluded, d_excluded_date, id_parent) VALUES
    (10, 1, 1, '1',      'Готовая продукция',       'Корень классификатора', false, NULL, NULL),
    (11, 1, 2, '1.01',   'Ящики деревянные',        NULL, false, NULL, 10),
    (12, 1, 2, '1.02',   'Коробки картонные',       NULL, false, NULL, 10),
    (13, 1, 2, '1.03',   'Поддоны',                 NULL, false, NULL, 10),
    (14, 1, 2, '1.04',   'Металлоконструкции',      NULL, false, NULL, 10),
    (15, 1, 2, '1.05',   'Крепёжные изделия',       NULL, false, NULL, 10),
    (16, 1, 2, '1.06',   'Изделия из пластмассы',   NULL, false, NULL, 10),
    (17, 1, 2, '1.07',   'Тара металлическая',      NULL, false, NULL, 10),
    (18, 1, 3, '1.01.9', 'Ящики почтовые (сняты)',  NULL, true,  DATE '2019-06-30', 11);


-- Products: id, mark, mass of one piece, nomenclature group. The last one
-- names a group that does not exist, so the products view leaves it out.
INSERT INTO cmn_gds_and_srv.gds_and_srv (id, s_caption, s_description, id_msm_bs, massa, id_class_item) VALUES
    (1001, 'ЯД-40',   '', 6, 0.80, 11), (1002, 'ЯД-60',   '', 6, 1.10, 11),
    (1003, 'ЯД-80',   '', 6, 1.45, 11), (1004, 'ЯД-120',  '', 6, 2.50, 11),
    (1005, 'ЯДК-25',  '', 6, 0.40, 11), (1006, 'ЯДК-50',  '', 6, 0.65, 11),
    (1007, 'БК-305',  '', 6, 0.12, 12), (1008, 'БК-310',  '', 6, 0.15, 12),
    (1009, 'БК-420',  '', 6, 0.22, 12), (1010, 'БК-500',  '', 6, 0.30, 12),
    (1011, 'КГ-12',   '', 6, 0.08, 12), (1012, 'КГ-16',   '', 6, 0.10, 12),
    (1013, 'ПД-800',  '', 6, 1.80, 13), (1014, 'ПД-1000', '', 6, 2.10, 13),
    (1015, 'ПД-1200', '', 6, 2.40, 13), (1016, 'ПДУ-1',   '', 6, 1.25, 13),
    (1017, 'ПДУ-2',   '', 6, 1.60, 13), (1018, 'А-12',    '', 6, 0.35, 14),
    (1019, 'А-14',    '', 6, 0.42, 14), (1020, 'А-20',    '', 6, 0.60, 14),
    (1021, 'КР-3',    '', 6, 0.25, 14), (1022, 'КР-5',    '', 6, 0.38, 14),
    (1023, 'КР-7',    '', 6, 0.55, 14), (1024, 'СТ-100',  '', 6, 1.90, 14),
    (1025, 'Ш-6',     '', 6, 0.05, 15), (1026, 'Ш-8',     '', 6, 0.06, 15),
    (1027, 'Ш-10',    '', 6, 0.07, 15), (1028, 'ШБ-12',   '', 6, 0.09, 15),
    (1029, 'БТ-16',   '', 6, 0.11, 15), (1030, 'ГК-8',    '', 6, 0.05, 15),
    (1031, 'ПР-15',   '', 6, 0.20, 16), (1032, 'ПР-25',   '', 6, 0.28, 16),
    (1033, 'ПР-40',   '', 6, 0.45, 16), (1034, 'КП-1',    '', 6, 0.15, 16),
    (1035, 'КП-2',    '', 6, 0.18, 16), (1036, 'КП-3',    '', 6, 0.24, 16),
    (1037, 'ТМ-10',   '', 6, 0.70, 17), (1038, 'ТМ-20',   '', 6, 1.15, 17),
    (1039, 'ТМ-50',   '', 6, 1.95, 17), (1040, 'БД-200',  '', 6, 2.30, 17),
    (1041, 'КН-5',    '', 6, 0.50, 17), (1042, 'КН-10',   '', 6, 0.75, 17),
    (1043, 'Х-999',   '', 6, 1.00, 99);

-- Workers: ERP persons with id N and worker number s_code = N, so the
-- journal's "id or s_code" match and the time sheets' s_code match find the
-- same row; the local list accounts_dep.person has the same ids and names.
-- Ивлев and Ливанов are there for the search by name prefix.
CREATE TEMP TABLE demo_worker AS
SELECT 100 + n AS id, fio, pos
FROM unnest(ARRAY[
        'Иванов А.П.',    'Петров В.С.',     'Сидоров Г.Н.',    'Кузнецов Д.И.',
        'Смирнов Е.А.',   'Попов И.В.',      'Васильев К.М.',   'Соколов Л.Д.',
        'Михайлов М.О.',  'Новиков Н.Г.',    'Фёдоров О.К.',    'Морозов П.Е.',
        'Волков Р.А.',    'Алексеев С.Ю.',   'Лебедев Т.В.',    'Семёнов Ю.П.',
        'Егоров А.А.',    'Павлов В.И.',     'Козлов Г.С.',     'Степанов Д.Н.',
        'Николаев Е.М.',  'Орлов И.К.',      'Андреев К.Л.',    'Макаров Л.О.',
        'Никитин М.П.',   'Захаров Н.Р.',    'Зайцев О.С.',     'Соловьёв П.Т.',
        'Борисов Р.У.',   'Яковлев С.Ф.',    'Григорьева А.Н.', 'Романова В.Е.',
        'Воробьёва Г.А.', 'Сергеев Д.В.',    'Кудрявцев Е.Г.',  'Фролов И.Д.',
        'Ивлев К.Е.',     'Ливанов М.Ж.',    'Королёв Н.З.',    'Гусев О.И.'
     ]) WITH ORDINALITY AS w(fio, n)
CROSS JOIN LATERAL (
    SELECT (ARRAY['Слесарь-сборщик', 'Штамповщик', 'Токарь', 'Сварщик',
                  'Маляр', 'Резчик', 'Упаковщик', 'Слесарь-сборщик'])[1 + (w.n::int % 8)]
) AS p(pos);

INSERT INTO cmn_contractor.person (id, s_caption, s_code)
SELECT id, fio, id::text FROM demo_worker ORDER BY 1;

-- Other contractors of the company: no worker number (NULL), a few with a
-- number that no worker uses. s_code is never non-numeric text.
INSERT INTO cmn_contractor.person (id, s_caption, s_code)
SELECT 5000 + g,
       CASE g % 4
           WHEN 0 THEN format('ООО «%s-%s»', (ARRAY['Стройснаб', 'Металлторг', 'Упаковка', 'Техресурс', 'Лесопродукт'])[1 + g % 5], g)
           WHEN 1 THEN format('ИП %s', (ARRAY['Антонов', 'Белов', 'Гаврилов', 'Данилов', 'Ершов', 'Жуков', 'Зуев'])[1 + g % 7]) || format(' %s.%s.', chr(1040 + g % 20), chr(1040 + g % 13))
           WHEN 2 THEN format('АО «%s»', (ARRAY['Транзит', 'Северсталь-М', 'Энергосбыт', 'Химпром'])[1 + g % 4]) || format(' №%s', g)
           ELSE format('%s %s.%s.', (ARRAY['Тарасов', 'Филиппов', 'Чернов', 'Шубин', 'Щукин', 'Юдин'])[1 + g % 6], chr(1040 + g % 17), chr(1040 + g % 11))
       END,
       CASE WHEN g % 25 = 0 THEN (90000 + g)::text END
FROM generate_series(1, 300) AS g
ORDER BY g;

INSERT INTO accounts_dep.person (id, fio, s_staffpos_hl)
SELECT id, fio, pos FROM demo_worker ORDER BY 1;

-- ---------------------------------------------------------------------------
-- Operation kinds, priced operations and their norms
-- ---------------------------------------------------------------------------

-- Kinds 5..7 are painting (the name contains "краска" in some letter case);
-- 16 is used only by operations without norms, 17 by nothing.
INSERT INTO accounts_dep.vid_oper (id, vid) VALUES
    (1,  'Сборка'),             (2,  'Резка'),
    (3,  'Сварка'),             (4,  'Шлифовка'),
    (5,  'Покраска'),           (6,  'КРАСКА синяя'),
    (7,  'окраска порошковая'), (8,  'Грунтовка'),
    (9,  'Упаковка'),           (10, 'Сверловка'),
    (11, 'Штамповка'),          (12, 'Гибка'),
    (13, 'Токарная обработка'), (14, 'Фрезеровка'),
    (15, 'Маркировка'),         (16, 'Контроль ОТК'),
    (17, 'Полировка'),
    (7777, 'Хоз. работы'),
    (7778, 'Ср. сдельная');

-- Every product with a group gets 2 to 4 distinct kinds out of 1..15; about
-- a quarter of them are operations on blanks (naimen 1).
INSERT INTO accounts_dep.oper (vid, naimen, i_id, cena_new, cena)
SELECT k.vid, CASE WHEN random() < 0.25 THEN 1 ELSE 0 END, g.id, 0, NULL
FROM cmn_gds_and_srv.gds_and_srv AS g
CROSS JOIN LATERAL (
    SELECT v.id AS vid
    FROM accounts_dep.vid_oper AS v
    WHERE v.id BETWEEN 1 AND 15
    ORDER BY random() + 0 * g.id
    LIMIT 2 + g.id::int % 3
) AS k
WHERE g.id BETWEEN 1001 AND 1042
ORDER BY g.id, k.vid;

-- Two operations without norms: not in the operations list, never recorded.
INSERT INTO accounts_dep.oper (vid, naimen, i_id, cena_new, cena) VALUES
    (16, 0, 1001, 0, NULL),
    (16, 0, 1018, 0, NULL);

-- Norms: 1 to 3 per operation. The first carries the base price (0.35 to
-- 25, spread evenly on a log scale) and a norm of about 1600 roubles a
-- shift; further norms ask more pieces for a higher price and a bonus.
WITH base AS MATERIALIZED (
    SELECT o.id,
           round((0.35 * exp(random() * ln(25.0 / 0.35)))::numeric, 2) AS p0
    FROM accounts_dep.oper AS o
    WHERE o.vid BETWEEN 1 AND 15
    ORDER BY o.id
)
INSERT INTO accounts_dep.norm (o_id, norma, prize, price)
SELECT b.id,
       greatest(5, round(1600 / b.p0 * (1 + 0.2 * (k - 1)) / 5) * 5),
       (k - 1) * 5,
       round(b.p0 * (1 + 0.12 * (k - 1)), 2)
FROM base AS b
CROSS JOIN LATERAL generate_series(1, 1 + b.id % 3) AS k
ORDER BY b.id, k;

-- The price column of the operation shows the base price in the export.
UPDATE accounts_dep.oper AS o
SET cena_new = (SELECT min(n.price) FROM accounts_dep.norm AS n WHERE n.o_id = o.id)
WHERE o.vid BETWEEN 1 AND 15;

-- Maintenance pseudo-operations: kind and "product" 7777 / 7778, one norm
-- each holding the hourly price that the maintenance dialog reads.
INSERT INTO accounts_dep.oper (vid, naimen, i_id, cena_new, cena) VALUES
    (7777, 0, 7777, 180, NULL),
    (7778, 0, 7778, 200, NULL);

INSERT INTO accounts_dep.norm (o_id, norma, prize, price)
SELECT o.id, 1, 0, CASE o.vid WHEN 7777 THEN 180.00 ELSE 200.00 END
FROM accounts_dep.oper AS o
WHERE o.vid IN (7777, 7778)
ORDER BY o.vid;

-- ---------------------------------------------------------------------------
-- Shift records
-- ---------------------------------------------------------------------------

-- Days with piece work: the weekdays from the first day of the previous
-- month up to today, every other Saturday, and today whatever day it is.
CREATE TEMP TABLE demo_day AS
SELECT d::date AS data,
       extract(isodow FROM d) >= 6 AS day_off
FROM generate_series((date_trunc('month', current_date)::date - interval '1 month')::date,
                     current_date, interval '1 day') AS d
WHERE extract(isodow FROM d) <= 5
   OR d::date = current_date
   OR (extract(isodow FROM d) = 6 AND extract(week FROM d)::int % 2 = 0)
ORDER BY 1;

-- Which shifts work on a day and how many workers each: shifts 1 and 2
-- always, shift 3 on weekdays, overtime (4) on about a third of the
-- weekdays; all four today. Each shift draws from its own team.
CREATE TEMP TABLE demo_shift AS
SELECT d.data, d.day_off, s.smena, s.w_from, s.w_to,
       s.k_min + floor(random() * (s.k_max - s.k_min + 1))::int AS k
FROM demo_day AS d
CROSS JOIN (VALUES (1, 101, 118, 3, 5),
                   (2, 119, 130, 2, 4),
                   (3, 131, 140, 1, 3),
                   (4, 101, 118, 1, 2)) AS s(smena, w_from, w_to, k_min, k_max)
WHERE s.smena <= 2
   OR d.data = current_date
   OR (s.smena = 3 AND NOT d.day_off)
   OR (s.smena = 4 AND NOT d.day_off AND random() < 0.3)
ORDER BY d.data, s.smena;

-- The workers of each day and shift, their number of records (1 to 3) and
-- their hours (a full shift of 6 to 8 hours, overtime 2 to 4 hours).
CREATE TEMP TABLE demo_slot AS
SELECT sh.data, sh.day_off, sh.smena, w.w_id,
       CASE WHEN sh.smena = 4 THEN 1 + floor(random() * 2)::int
            ELSE 1 + floor(random() * 3)::int END AS n,
       CASE WHEN sh.smena = 4 THEN 2 + floor(random() * 3)::int
            WHEN random() < 0.8 THEN 8
            ELSE 6 + floor(random() * 2)::int END AS hours
FROM demo_shift AS sh
CROSS JOIN LATERAL (
    SELECT g AS w_id
    FROM generate_series(sh.w_from, sh.w_to) AS g
    ORDER BY random()
    LIMIT sh.k
) AS w
ORDER BY sh.data, sh.smena, w.w_id;

-- Operations that can be recorded: kinds 1..15 with norms; base price and
-- norm of the base price, and whether the kind is painting.
CREATE TEMP TABLE demo_op AS
SELECT o.id AS o_id, o.i_id, b.price, b.norma,
       upper(v.vid) LIKE '%КРАСКА%' AS paint
FROM accounts_dep.oper AS o
JOIN accounts_dep.vid_oper AS v ON v.id = o.vid
JOIN LATERAL (
    SELECT n.price, n.norma FROM accounts_dep.norm AS n
    WHERE n.o_id = o.id ORDER BY n.price, n.id LIMIT 1
) AS b ON true
WHERE o.vid BETWEEN 1 AND 15
ORDER BY o.id;

-- n distinct operations per worker, day and shift, the hours split between
-- them; price = base price x2 on a day off, x1.2 in shift 3, x1.5 in shift 4.
CREATE TEMP TABLE demo_rec AS
SELECT sl.data, sl.day_off, sl.smena, sl.w_id, op.o_id, op.i_id, op.norma, op.paint,
       round((op.price
              * CASE WHEN sl.day_off THEN 2 ELSE 1 END
              * CASE sl.smena WHEN 3 THEN 1.2 WHEN 4 THEN 1.5 ELSE 1 END)::numeric, 4) AS cena,
       CASE WHEN op.j < sl.n THEN sl.hours / sl.n
            ELSE sl.hours - (sl.n - 1) * (sl.hours / sl.n) END AS hours
FROM demo_slot AS sl
CROSS JOIN LATERAL (
    SELECT x.*, row_number() OVER () AS j
    FROM (SELECT * FROM demo_op ORDER BY random() + 0 * sl.w_id LIMIT sl.n) AS x
) AS op
ORDER BY sl.data, sl.smena, sl.w_id, op.j;

-- Acceptance: most older records are accepted ("ok"); today's and
-- yesterday's mostly not yet ("no").
INSERT INTO accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, "time",
                                ok, vvod, prize, id_doc, id_doc_item, id_gds_use, id_cons_use, f_gds_qty_use)
SELECT r.data, r.smena, r.w_id, r.i_id, r.o_id, r.cena,
       q.kol_vo,
       least(q.kol_vo, CASE WHEN random() < 0.7 THEN 0
                            ELSE floor(random() * (0.05 * q.kol_vo + 1)) END),
       CASE WHEN r.paint THEN 1 + floor(random() * 12)::int ELSE 0 END,
       r.hours,
       CASE WHEN r.data >= current_date - 1
            THEN CASE WHEN random() < 0.8 THEN 'no' ELSE 'ok' END
            ELSE CASE WHEN random() < 0.88 THEN 'ok' ELSE 'no' END END,
       r.data::timestamp, 0, 0, 0, 0, 0, 0
FROM demo_rec AS r
CROSS JOIN LATERAL (
    SELECT greatest(1, round(r.norma * r.hours / 8.0 * (0.7 + 0.5 * random())))::int AS kol_vo
) AS q
ORDER BY r.data, r.smena, r.w_id, r.o_id;

-- Edge case: a few older records without an acceptance mark; the journal
-- never lists them, the time sheets count them.
UPDATE accounts_dep.smena SET ok = NULL
WHERE id IN (SELECT id
             FROM (SELECT id, row_number() OVER (ORDER BY id) AS rn
                   FROM accounts_dep.smena
                   WHERE data < current_date - 7) AS older
             WHERE rn % 150 = 10
             LIMIT 3);

-- ---------------------------------------------------------------------------
-- Maintenance work
-- ---------------------------------------------------------------------------

-- Every day of the two months up to today: 1 to 3 entries on a weekday,
-- 0 to 2 on a day off (paid double, i_holiday 1), at least 2 today. Kind
-- 7777 ("хоз. работы") or 7778 ("ср. сдельная"), about a fifth at night.
CREATE TEMP TABLE demo_fday AS
SELECT d::date AS d_date,
       extract(isodow FROM d) >= 6 AS day_off,
       CASE WHEN d::date = current_date THEN 2 + floor(random() * 2)::int
            WHEN extract(isodow FROM d) >= 6 THEN floor(random() * 3)::int
            ELSE 1 + floor(random() * 3)::int END AS k
FROM generate_series((date_trunc('month', current_date)::date - interval '1 month')::date,
                     current_date, interval '1 day') AS d
ORDER BY 1;

INSERT INTO accounts_dep.fatigue (id_nom, id_o, id_p, d_date, i_mnth, i_year, i_smena, cnt, price, i_holiday, i_night)
SELECT e.id_nom, e.id_o, e.id_p, e.d_date,
       extract(month FROM e.d_date), extract(year FROM e.d_date), 1,
       CASE WHEN e.night = 1 THEN 4 + floor(random() * 5)::int
            ELSE 1 + floor(random() * 8)::int END,
       n.price * CASE WHEN e.day_off THEN 2 ELSE 1 END,
       CASE WHEN e.day_off THEN 1 ELSE 0 END,
       e.night
FROM (
    SELECT fd.d_date, fd.day_off, w.id_p,
           CASE WHEN random() < 0.6 THEN 7777 ELSE 7778 END AS id_o,
           11 + floor(random() * 7)::int AS id_nom,
           CASE WHEN random() < 0.2 THEN 1 ELSE 0 END AS night
    FROM demo_fday AS fd
    CROSS JOIN LATERAL (
        SELECT g AS id_p FROM generate_series(101, 140) AS g
        ORDER BY random() LIMIT fd.k
    ) AS w
) AS e
JOIN accounts_dep.oper AS o ON o.vid = e.id_o AND o.i_id >= 7777
JOIN accounts_dep.norm AS n ON n.o_id = o.id
ORDER BY e.d_date, e.id_p;

-- Work at the average piece rate is booked on a group the worker made
-- pieces of that month (where there is one), so that computing the rate
-- gives a real figure.
UPDATE accounts_dep.fatigue AS f
SET id_nom = coalesce((
        SELECT iz.id_class_item
        FROM accounts_dep.smena AS s
        JOIN accounts_dep.izdel AS iz ON iz.id = s.i_id
        WHERE s.w_id = f.id_p
          AND s.data >= date_trunc('month', f.d_date)::date
          AND s.data <  (date_trunc('month', f.d_date) + interval '1 month')::date
        ORDER BY s.id
        LIMIT 1), f.id_nom)
WHERE f.id_o = 7778;

-- ---------------------------------------------------------------------------
-- Time sheets, computed from the records so that they agree
-- ---------------------------------------------------------------------------

-- Piece work: one row per worker, shift, month and year; a day cell is the
-- sum of the worker's hours of that day and shift, NULL when none.
INSERT INTO accounts_dep.h_tabel (w_id, month, year, smena, i_type, i_night,
    d1, d2, d3, d4, d5, d6, d7, d8, d9, d10, d11, d12, d13, d14, d15, d16,
    d17, d18, d19, d20, d21, d22, d23, d24, d25, d26, d27, d28, d29, d30, d31)
SELECT s.w_id, extract(month FROM s.data), extract(year FROM s.data), s.smena, 0, 0,
    sum(s."time") FILTER (WHERE extract(day FROM s.data) = 1),
    sum(s."time") FILTER (WHERE extract(day FROM s.data) = 2),
    sum(s."time") FILTER (WHERE extract(day FROM s.data) = 3),
    sum(s."time") FILTER (WHERE extract(day FROM s.data) = 4),
    sum(s."time") FILTER (WHERE extract(day FROM s.data) = 5),
    sum(s."time") FILTER (WHERE extract(day FROM s.data) = 6),
    sum(s."time") FILTER (WHERE extract(day FROM s.data) = 7),
    sum(s."time") FILTER (WHERE extract(day FROM s.data) = 8),
    sum(s."time") FILTER (WHERE extract(day FROM s.data) = 9),
    sum(s."time") FILTER (WHERE extract(day FROM s.data) = 10),
    sum(s."time") FILTER (WHERE extract(day FROM s.data) = 11),
    sum(s."time") FILTER (WHERE extract(day FROM s.data) = 12),
    sum(s."time") FILTER (WHERE extract(day FROM s.data) = 13),
    sum(s."time") FILTER (WHERE extract(day FROM s.data) = 14),
    sum(s."time") FILTER (WHERE extract(day FROM s.data) = 15),
    sum(s."time") FILTER (WHERE extract(day FROM s.data) = 16),
    sum(s."time") FILTER (WHERE extract(day FROM s.data) = 17),
    sum(s."time") FILTER (WHERE extract(day FROM s.data) = 18),
    sum(s."time") FILTER (WHERE extract(day FROM s.data) = 19),
    sum(s."time") FILTER (WHERE extract(day FROM s.data) = 20),
    sum(s."time") FILTER (WHERE extract(day FROM s.data) = 21),
    sum(s."time") FILTER (WHERE extract(day FROM s.data) = 22),
    sum(s."time") FILTER (WHERE extract(day FROM s.data) = 23),
    sum(s."time") FILTER (WHERE extract(day FROM s.data) = 24),
    sum(s."time") FILTER (WHERE extract(day FROM s.data) = 25),
    sum(s."time") FILTER (WHERE extract(day FROM s.data) = 26),
    sum(s."time") FILTER (WHERE extract(day FROM s.data) = 27),
    sum(s."time") FILTER (WHERE extract(day FROM s.data) = 28),
    sum(s."time") FILTER (WHERE extract(day FROM s.data) = 29),
    sum(s."time") FILTER (WHERE extract(day FROM s.data) = 30),
    sum(s."time") FILTER (WHERE extract(day FROM s.data) = 31)
FROM accounts_dep.smena AS s
GROUP BY s.w_id, extract(year FROM s.data), extract(month FROM s.data), s.smena
ORDER BY 3, 2, 4, 1;

-- Maintenance: one row per worker, kind, month, year and night flag, without
-- a shift; a day cell is the sum of the hours of the worker's entries.
INSERT INTO accounts_dep.h_tabel (w_id, month, year, smena, i_type, i_night,
    d1, d2, d3, d4, d5, d6, d7, d8, d9, d10, d11, d12, d13, d14, d15, d16,
    d17, d18, d19, d20, d21, d22, d23, d24, d25, d26, d27, d28, d29, d30, d31)
SELECT f.id_p, f.i_mnth, f.i_year, NULL, f.id_o, f.i_night,
    sum(f.cnt) FILTER (WHERE extract(day FROM f.d_date) = 1),
    sum(f.cnt) FILTER (WHERE extract(day FROM f.d_date) = 2),
    sum(f.cnt) FILTER (WHERE extract(day FROM f.d_date) = 3),
    sum(f.cnt) FILTER (WHERE extract(day FROM f.d_date) = 4),
    sum(f.cnt) FILTER (WHERE extract(day FROM f.d_date) = 5),
    sum(f.cnt) FILTER (WHERE extract(day FROM f.d_date) = 6),
    sum(f.cnt) FILTER (WHERE extract(day FROM f.d_date) = 7),
    sum(f.cnt) FILTER (WHERE extract(day FROM f.d_date) = 8),
    sum(f.cnt) FILTER (WHERE extract(day FROM f.d_date) = 9),
    sum(f.cnt) FILTER (WHERE extract(day FROM f.d_date) = 10),
    sum(f.cnt) FILTER (WHERE extract(day FROM f.d_date) = 11),
    sum(f.cnt) FILTER (WHERE extract(day FROM f.d_date) = 12),
    sum(f.cnt) FILTER (WHERE extract(day FROM f.d_date) = 13),
    sum(f.cnt) FILTER (WHERE extract(day FROM f.d_date) = 14),
    sum(f.cnt) FILTER (WHERE extract(day FROM f.d_date) = 15),
    sum(f.cnt) FILTER (WHERE extract(day FROM f.d_date) = 16),
    sum(f.cnt) FILTER (WHERE extract(day FROM f.d_date) = 17),
    sum(f.cnt) FILTER (WHERE extract(day FROM f.d_date) = 18),
    sum(f.cnt) FILTER (WHERE extract(day FROM f.d_date) = 19),
    sum(f.cnt) FILTER (WHERE extract(day FROM f.d_date) = 20),
    sum(f.cnt) FILTER (WHERE extract(day FROM f.d_date) = 21),
    sum(f.cnt) FILTER (WHERE extract(day FROM f.d_date) = 22),
    sum(f.cnt) FILTER (WHERE extract(day FROM f.d_date) = 23),
    sum(f.cnt) FILTER (WHERE extract(day FROM f.d_date) = 24),
    sum(f.cnt) FILTER (WHERE extract(day FROM f.d_date) = 25),
    sum(f.cnt) FILTER (WHERE extract(day FROM f.d_date) = 26),
    sum(f.cnt) FILTER (WHERE extract(day FROM f.d_date) = 27),
    sum(f.cnt) FILTER (WHERE extract(day FROM f.d_date) = 28),
    sum(f.cnt) FILTER (WHERE extract(day FROM f.d_date) = 29),
    sum(f.cnt) FILTER (WHERE extract(day FROM f.d_date) = 30),
    sum(f.cnt) FILTER (WHERE extract(day FROM f.d_date) = 31)
FROM accounts_dep.fatigue AS f
GROUP BY f.id_p, f.id_o, f.i_year, f.i_mnth, f.i_night
ORDER BY 3, 2, 5, 1, 6;

-- ---------------------------------------------------------------------------
-- Id generators past the ids inserted, fresh planner statistics
-- ---------------------------------------------------------------------------

DO $$
BEGIN
    PERFORM setval(pg_get_serial_sequence(t, 'id')::regclass, greatest(m, 1)::bigint, m > 0)
    FROM (VALUES
        ('cmn_contractor.person',       (SELECT max(id) FROM cmn_contractor.person)),
        ('cmn_gds_and_srv.gds_and_srv', (SELECT max(id) FROM cmn_gds_and_srv.gds_and_srv)),
        ('cmn_classifier.item',         (SELECT max(id) FROM cmn_classifier.item)),
        ('hrms_staffpos.staffpos',      (SELECT max(id) FROM hrms_staffpos.staffpos)),
        ('cmn_department.department',   (SELECT max(id) FROM cmn_department.department)),
        ('adm_role.roles',              (SELECT max(id) FROM adm_role.roles)),
        ('accounts_dep.smena',          (SELECT max(id) FROM accounts_dep.smena)),
        ('accounts_dep.h_tabel',        (SELECT max(id) FROM accounts_dep.h_tabel)),
        ('accounts_dep.fatigue',        (SELECT max(id) FROM accounts_dep.fatigue)),
        ('accounts_dep.oper',           (SELECT max(id) FROM accounts_dep.oper)),
        ('accounts_dep.norm',           (SELECT max(id) FROM accounts_dep.norm)),
        ('accounts_dep.vid_oper',       (SELECT max(id) FROM accounts_dep.vid_oper)),
        ('accounts_dep.person',         (SELECT max(id) FROM accounts_dep.person)),
        ('accounts_dep.nomenkl',        (SELECT max(id) FROM accounts_dep.nomenkl))
    ) AS v(t, m);
END
$$;

DROP TABLE demo_worker, demo_day, demo_shift, demo_slot, demo_op, demo_rec, demo_fday;

ANALYZE cmn_contractor.person, cmn_gds_and_srv.gds_and_srv, cmn_classifier.item,
        hrms_staffpos.staffpos, cmn_department.department, adm_role.roles,
        accounts_dep.smena, accounts_dep.h_tabel, accounts_dep.fatigue,
        accounts_dep.oper, accounts_dep.norm, accounts_dep.vid_oper,
        accounts_dep.person;
