-- A plant at full size for the benchmarks. Load after db/schema.sql:
--   psql -v ON_ERROR_STOP=1 -d benchplant -f db/schema.sql -f bench/generate.sql
-- (scripts/bench does this once and keeps the database until this file or the schema changes).
--
-- Random choices are repeatable (setseed below, no parallel plans); the dates follow current_date:
-- twelve months of shift records, from the first day of the month eleven months back up to today.
--
-- Sizes:
--   workers (ERP person = accounts_dep.person, s_code = id)   600     ids 101..700
--   other ERP contractors (s_code NULL, a few foreign numbers) 30,000  ids 10001..40000
--   nomenclature groups (classifier items of level 2)           40     ids 11..50 (root 10)
--   products                                                 3,000     ids 1001..4000
--   operation kinds (every tenth is painting)                  200     ids 1..198, 7777, 7778
--   priced operations with 1 to 3 norms                      8,000     ids 1..8000 (+ 2 pseudo-operations)
--   shift records, all four shifts                         ~375,000    busiest day ~1,500
--   maintenance entries                                     ~7,000
--   time-sheet rows computed from the records and the entries, so that they agree
--   history of changes (accounts_dep.audit)                 1,000,000    each record added and changed
--   closed months: the 24 months of 2001 and 2002 (no records in them)

SET client_encoding = 'UTF8';
SET client_min_messages = warning;
-- Parallel workers would draw their own random numbers: one process keeps the data repeatable.
SET max_parallel_workers_per_gather = 0;
SET work_mem = '256MB';

DO $$ BEGIN PERFORM setseed(0.1975); END $$;

-- The rules of the database (history of changes, closed months) wait until the plant is in place: the history
-- is generated at the end, in one statement.
ALTER TABLE accounts_dep.smena DISABLE TRIGGER USER;
ALTER TABLE accounts_dep.fatigue DISABLE TRIGGER USER;
ALTER TABLE accounts_dep.h_tabel DISABLE TRIGGER USER;
ALTER TABLE accounts_dep.oper DISABLE TRIGGER USER;
ALTER TABLE accounts_dep.norm DISABLE TRIGGER USER;
ALTER TABLE accounts_dep.vid_oper DISABLE TRIGGER USER;
ALTER TABLE accounts_dep.person DISABLE TRIGGER USER;
ALTER TABLE cmn_gds_and_srv.gds_and_srv DISABLE TRIGGER USER;

-- ---------------------------------------------------------------------------
-- ERP reference data
-- ---------------------------------------------------------------------------

INSERT INTO cmn_department.department (id, id_branch, s_code, s_caption, s_description, id_parent) VALUES
    (1, 1, '00', 'Завод',                   'Головное подразделение', NULL),
    (2, 1, '01', 'Заготовительный цех',     NULL, 1),
    (3, 1, '02', 'Механосборочный цех',     NULL, 1),
    (4, 1, '03', 'Малярный участок',        NULL, 1),
    (5, 1, '04', 'Склад готовой продукции', NULL, 1);

INSERT INTO hrms_staffpos.staffpos (id, id_department, s_code, s_caption, d_begin, d_end, s_description) VALUES
    (1, 2, '101', 'Штамповщик',      DATE '2010-01-01', NULL, NULL),
    (2, 2, '102', 'Резчик',          DATE '2010-01-01', NULL, NULL),
    (3, 3, '201', 'Слесарь-сборщик', DATE '2010-01-01', NULL, NULL),
    (4, 3, '202', 'Токарь',          DATE '2010-01-01', NULL, NULL),
    (5, 3, '203', 'Сварщик',         DATE '2010-01-01', NULL, NULL),
    (6, 4, '301', 'Маляр',           DATE '2010-01-01', NULL, NULL),
    (7, 5, '401', 'Упаковщик',       DATE '2010-01-01', NULL, NULL);

INSERT INTO adm_role.roles (id, s_name, s_caption, d_begin, d_end, b_active) VALUES
    (1, 'operator', 'Оператор',      DATE '2010-01-01', NULL, true),
    (2, 'master',   'Мастер',        DATE '2010-01-01', NULL, true),
    (3, 'admin',    'Администратор', DATE '2010-01-01', NULL, true);

-- Classifier: a root and 40 nomenclature groups (level 2).
INSERT INTO cmn_classifier.item (id, id_classifier, id_level, s_code, s_caption, s_description, b_excluded, d_excluded_date, id_parent)
VALUES (10, 1, 1, '1', 'Готовая продукция', 'Корень классификатора', false, NULL, NULL);

INSERT INTO cmn_classifier.item (id, id_classifier, id_level, s_code, s_caption, s_description, b_excluded, d_excluded_date, id_parent)
SELECT 10 + g, 1, 2, format('1.%s', lpad(g::text, 2, '0')),
       format('%s, серия %s',
              (ARRAY['Ящики деревянные', 'Коробки картонные', 'Поддоны', 'Металлоконструкции', 'Крепёжные изделия',
                     'Изделия из пластмассы', 'Тара металлическая', 'Стеллажи', 'Кронштейны', 'Профили гнутые',
                     'Решётки', 'Ограждения', 'Шкафы', 'Кожухи', 'Панели', 'Лотки кабельные', 'Короба', 'Емкости',
                     'Фланцы', 'Заглушки'])[1 + (g - 1) % 20],
              1 + (g - 1) / 20),
       NULL, false, NULL, 10
FROM generate_series(1, 40) AS g
ORDER BY g;

-- Products: 75 per group, the mark is the group's letters and a number; a few carry a lower-case
-- letter or a Latin one, as marks typed by people do.
INSERT INTO cmn_gds_and_srv.gds_and_srv (id, s_caption, s_description, id_msm_bs, massa, id_class_item)
SELECT 1000 + n,
       (ARRAY['ЯД', 'ЯДК', 'БК', 'КГ', 'ПД', 'ПДУ', 'А', 'КР', 'СТ', 'Ш', 'ШБ', 'БТ', 'ГК', 'ПР', 'КП', 'ТМ',
              'БД', 'КН', 'ВГ', 'ДЛ', 'ЕМ', 'ЖБ', 'ЗК', 'ИЛ', 'ЛС', 'МФ', 'НП', 'ОК', 'РС', 'СК', 'ТК', 'УГ',
              'ФЛ', 'ХМ', 'ЦП', 'ЧК', 'ЭЛ', 'ЮП', 'ВК', 'ЛП'])[1 + (n - 1) / 75]
       || '-' || (10 + ((n - 1) % 75) * 5)::text
       || CASE WHEN n % 17 = 0 THEN 'у' WHEN n % 29 = 0 THEN 'M' WHEN n % 11 = 0 THEN '.01' ELSE '' END,
       '', 6, round((0.05 + random() * 2.5)::numeric, 2), 11 + (n - 1) / 75
FROM generate_series(1, 3000) AS n
ORDER BY n;

-- Workers: 600 ERP persons with id N and worker number s_code = N, the same in the local list.
CREATE TEMP TABLE bench_worker AS
SELECT 100 + n AS id,
       (ARRAY['Иванов', 'Петров', 'Сидоров', 'Кузнецов', 'Смирнов', 'Попов', 'Васильев', 'Соколов', 'Михайлов',
              'Новиков', 'Фёдоров', 'Морозов', 'Волков', 'Алексеев', 'Лебедев', 'Семёнов', 'Егоров', 'Павлов',
              'Козлов', 'Степанов', 'Николаев', 'Орлов', 'Андреев', 'Макаров', 'Никитин', 'Захаров', 'Зайцев',
              'Соловьёв', 'Борисов', 'Яковлев', 'Григорьев', 'Романов', 'Воробьёв', 'Сергеев', 'Кудрявцев',
              'Фролов', 'Ивлев', 'Ливанов', 'Королёв', 'Гусев', 'Киселёв', 'Ильин', 'Максимов', 'Поляков',
              'Сорокин', 'Виноградов', 'Ковалёв', 'Белов', 'Медведев', 'Антонов'])[1 + n % 50]
       || CASE WHEN n % 7 = 3 THEN 'а' ELSE '' END
       || ' ' || substr('АБВГДЕЖЗИКЛМНОПРСТУФЭЮЯ', 1 + (n * 7) % 23, 1) || '.'
       || substr('АБВГДЕЖЗИКЛМНОПРСТУФЭЮЯ', 1 + (n * 11 + n / 23) % 23, 1) || '.' AS fio,
       (ARRAY['Слесарь-сборщик', 'Штамповщик', 'Токарь', 'Сварщик', 'Маляр', 'Резчик', 'Упаковщик'])[1 + n % 7] AS pos
FROM generate_series(1, 600) AS n;

INSERT INTO cmn_contractor.person (id, s_caption, s_code)
SELECT id, fio, id::text FROM bench_worker ORDER BY 1;

-- Every other contractor of the company: no worker number, one in 250 a number that no worker uses.
INSERT INTO cmn_contractor.person (id, s_caption, s_code)
SELECT 10000 + g,
       CASE g % 4
           WHEN 0 THEN format('ООО «%s-%s»', (ARRAY['Стройснаб', 'Металлторг', 'Упаковка', 'Техресурс', 'Лесопродукт'])[1 + g % 5], g)
           WHEN 1 THEN format('ИП %s %s.%s.', (ARRAY['Антонов', 'Белов', 'Гаврилов', 'Данилов', 'Ершов', 'Жуков', 'Зуев'])[1 + g % 7],
                              chr(1040 + g % 20), chr(1040 + g % 13))
           WHEN 2 THEN format('АО «%s» №%s', (ARRAY['Транзит', 'Северсталь-М', 'Энергосбыт', 'Химпром'])[1 + g % 4], g)
           ELSE format('%s %s.%s.', (ARRAY['Тарасов', 'Филиппов', 'Чернов', 'Шубин', 'Щукин', 'Юдин'])[1 + g % 6],
                       chr(1040 + g % 17), chr(1040 + g % 11))
       END,
       CASE WHEN g % 250 = 0 THEN (900000 + g)::text END
FROM generate_series(1, 30000) AS g
ORDER BY g;

INSERT INTO accounts_dep.person (id, fio, s_staffpos_hl)
SELECT id, fio, pos FROM bench_worker ORDER BY 1;

-- ---------------------------------------------------------------------------
-- Operation kinds, priced operations and their norms
-- ---------------------------------------------------------------------------

-- 198 kinds; every tenth is painting (its name holds "краска" in some letter case).
INSERT INTO accounts_dep.vid_oper (id, vid)
SELECT k,
       CASE WHEN k % 10 = 5
            THEN (ARRAY['Покраска', 'КРАСКА', 'окраска порошковая'])[1 + (k / 10) % 3] || ' ' ||
                 (ARRAY['синяя', 'серая', 'зелёная', 'красная', 'белая', 'чёрная', 'жёлтая'])[1 + k % 7] || ' ' || (k / 10)::text
            ELSE (ARRAY['Сборка', 'Резка', 'Сварка', 'Шлифовка', 'Грунтовка', 'Упаковка', 'Сверловка', 'Штамповка',
                        'Гибка', 'Токарная обработка', 'Фрезеровка', 'Маркировка', 'Контроль ОТК', 'Полировка',
                        'Зачистка', 'Рихтовка', 'Клёпка', 'Пайка', 'Нарезка резьбы', 'Комплектация'])[1 + k % 20]
                 || ' ' || (ARRAY['узлов', 'деталей', 'каркаса', 'заготовок', 'крышек', 'корпусов', 'петель',
                                  'ручек', 'днищ', 'стенок'])[1 + (k / 20) % 10]
       END
FROM generate_series(1, 198) AS k
ORDER BY k;

INSERT INTO accounts_dep.vid_oper (id, vid) VALUES (7777, 'Хоз. работы'), (7778, 'Ср. сдельная');

-- 8,000 operations: two or three distinct kinds on every product, about a quarter on blanks.
INSERT INTO accounts_dep.oper (vid, naimen, i_id, cena_new, cena)
SELECT 1 + ((p.n * 13 + j * 67) % 198), CASE WHEN random() < 0.25 THEN 1 ELSE 0 END, 1000 + p.n, 0, NULL
FROM generate_series(1, 3000) AS p(n)
CROSS JOIN LATERAL generate_series(0, CASE WHEN p.n % 3 = 0 THEN 1 ELSE 2 END) AS j
ORDER BY p.n, j;

-- Norms: 1 to 3 per operation. The first carries the base price (0.35 to 25 on a log scale) and a
-- norm of about 1600 roubles a shift; further norms ask more pieces for a higher price and a bonus.
WITH base AS MATERIALIZED (
    SELECT o.id, round((0.35 * exp(random() * ln(25.0 / 0.35)))::numeric, 2) AS p0
    FROM accounts_dep.oper AS o
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

UPDATE accounts_dep.oper AS o
SET cena_new = (SELECT min(n.price) FROM accounts_dep.norm AS n WHERE n.o_id = o.id);

-- Maintenance pseudo-operations: kind and "product" 7777 / 7778, one norm with the hourly price.
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

-- Working days: Monday to Saturday from the first day of the month eleven months back up to today, and
-- today whatever day it is. Each day its own turnout (90% to 98%).
CREATE TEMP TABLE bench_day AS
SELECT d::date AS data,
       extract(isodow FROM d) >= 6 AS day_off,
       0.90 + 0.08 * random() AS turnout
FROM generate_series((date_trunc('month', current_date) - interval '11 months')::date,
                     current_date, interval '1 day') AS d
WHERE extract(isodow FROM d) <= 6
   OR d::date = current_date
ORDER BY 1;

-- Teams: shift 1 = workers 101..340, shift 2 = 341..540, shift 3 = 541..700; on a day off only shifts 1
-- and 2 work, with fewer people. Overtime (shift 4) is worked by about a quarter of team 1 on weekdays.
-- Each worker of the day makes 1 to 4 records (overtime 1 or 2) and works a full shift of 6 to 8 hours
-- (overtime 2 to 4).
CREATE TEMP TABLE bench_slot AS
SELECT s.data, s.day_off, s.smena, s.w_id,
       CASE WHEN s.smena = 4 THEN 1 + floor(random() * 2)::int ELSE 1 + floor(random() * 4)::int END AS n,
       CASE WHEN s.smena = 4 THEN 2 + floor(random() * 3)::int
            WHEN random() < 0.8 THEN 8
            ELSE 6 + floor(random() * 2)::int END AS hours,
       floor(random() * 8000)::int AS op0
FROM (
    SELECT d.data, d.day_off, w.w_id,
           CASE WHEN w.w_id <= 340 THEN 1 WHEN w.w_id <= 540 THEN 2 ELSE 3 END AS smena
    FROM bench_day AS d
    CROSS JOIN generate_series(101, 700) AS w(w_id)
    -- (random() tied to the worker, or the planner draws once per day)
    WHERE random() + 0 * w.w_id < d.turnout * CASE WHEN d.day_off THEN 0.7 ELSE 0.95 END
      AND NOT (d.day_off AND w.w_id > 540)
    UNION ALL
    SELECT d.data, d.day_off, w.w_id, 4
    FROM bench_day AS d
    CROSS JOIN generate_series(101, 340) AS w(w_id)
    WHERE NOT d.day_off AND random() + 0 * w.w_id < 0.25
) AS s
ORDER BY s.data, s.smena, s.w_id;

-- Operations that can be recorded, numbered 0..7999: base price, its norm, painting or not.
CREATE TEMP TABLE bench_op AS
SELECT (row_number() OVER (ORDER BY o.id) - 1)::int AS k, o.id AS o_id, o.i_id, b.price, b.norma,
       upper(v.vid) LIKE '%КРАСКА%' AS paint
FROM accounts_dep.oper AS o
JOIN accounts_dep.vid_oper AS v ON v.id = o.vid
JOIN LATERAL (
    SELECT n.price, n.norma FROM accounts_dep.norm AS n
    WHERE n.o_id = o.id ORDER BY n.price, n.id LIMIT 1
) AS b ON true
WHERE o.vid < 7777;
CREATE UNIQUE INDEX ON bench_op (k);

-- n distinct operations per worker, day and shift (steps of 1999 from a random start never meet within
-- four), the hours split between them; price = base price x2 on a day off, x1.2 in shift 3, x1.5 in
-- shift 4. Acceptance: the first month came from the earlier database ("да"), the last two days are
-- mostly not accepted yet, older records mostly accepted.
INSERT INTO accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, "time",
                                ok, vvod, prize, id_doc, id_doc_item, id_gds_use, id_cons_use, f_gds_qty_use)
SELECT r.data, r.smena, r.w_id, r.i_id, r.o_id, r.cena, r.kol_vo,
       least(r.kol_vo, CASE WHEN random() < 0.7 THEN 0 ELSE floor(random() * (0.05 * r.kol_vo + 1)) END),
       CASE WHEN r.paint THEN 1 + floor(random() * 12)::int ELSE 0 END,
       r.hours,
       CASE WHEN r.data < (date_trunc('month', current_date) - interval '10 months')::date THEN 'да'
            WHEN r.data >= current_date - 1 THEN CASE WHEN random() < 0.8 THEN 'no' ELSE 'ok' END
            ELSE CASE WHEN random() < 0.9 THEN 'ok' ELSE 'no' END END,
       r.data::timestamp, 0, 0, 0, 0, 0, 0
FROM (
    SELECT sl.data, sl.smena, sl.w_id, op.i_id, op.o_id, op.paint,
           round((op.price * CASE WHEN sl.day_off THEN 2 ELSE 1 END
                            * CASE sl.smena WHEN 3 THEN 1.2 WHEN 4 THEN 1.5 ELSE 1 END)::numeric, 4) AS cena,
           h.hours,
           greatest(1, round(op.norma * h.hours / 8.0 * (0.7 + 0.5 * random())))::int AS kol_vo,
           j
    FROM bench_slot AS sl
    CROSS JOIN LATERAL generate_series(1, sl.n) AS j
    CROSS JOIN LATERAL (
        SELECT CASE WHEN j < sl.n THEN sl.hours / sl.n ELSE sl.hours - (sl.n - 1) * (sl.hours / sl.n) END AS hours
    ) AS h
    JOIN bench_op AS op ON op.k = (sl.op0 + j * 1999) % 8000
) AS r
ORDER BY r.data, r.smena, r.w_id, r.j;

-- A few older records without an acceptance mark: the journal never lists them, the sheets count them.
UPDATE accounts_dep.smena SET ok = NULL
WHERE id % 9973 = 17 AND data < current_date - 7;

-- ---------------------------------------------------------------------------
-- Maintenance work: every day 10 to 30 entries by random workers, kind 7777 or 7778, a fifth at night,
-- paid double on a day off
-- ---------------------------------------------------------------------------

INSERT INTO accounts_dep.fatigue (id_nom, id_o, id_p, d_date, i_mnth, i_year, i_smena, cnt, price, i_holiday, i_night)
SELECT e.id_nom, e.id_o, e.id_p, e.d_date,
       extract(month FROM e.d_date), extract(year FROM e.d_date), 1,
       CASE WHEN e.night = 1 THEN 4 + floor(random() * 5)::int ELSE 1 + floor(random() * 8)::int END,
       CASE e.id_o WHEN 7777 THEN 180.00 ELSE 200.00 END * CASE WHEN e.day_off THEN 2 ELSE 1 END,
       CASE WHEN e.day_off THEN 1 ELSE 0 END,
       e.night
FROM (
    SELECT fd.d_date, fd.day_off, 101 + (fd.w0 + j * 37) % 600 AS id_p,
           CASE WHEN random() < 0.6 THEN 7777 ELSE 7778 END AS id_o,
           11 + floor(random() * 40)::int AS id_nom,
           CASE WHEN random() < 0.2 THEN 1 ELSE 0 END AS night
    FROM (
        SELECT d::date AS d_date, extract(isodow FROM d) >= 6 AS day_off,
               10 + floor(random() * 21)::int AS k, floor(random() * 600)::int AS w0
        FROM generate_series((date_trunc('month', current_date) - interval '11 months')::date,
                             current_date, interval '1 day') AS d
    ) AS fd
    CROSS JOIN LATERAL generate_series(1, fd.k) AS j
) AS e
ORDER BY e.d_date, e.id_p;

-- ---------------------------------------------------------------------------
-- Time sheets, computed from the records and the entries so that they agree
-- ---------------------------------------------------------------------------

INSERT INTO accounts_dep.h_tabel (w_id, month, year, smena, i_type, i_night,
    d1, d2, d3, d4, d5, d6, d7, d8, d9, d10, d11, d12, d13, d14, d15, d16,
    d17, d18, d19, d20, d21, d22, d23, d24, d25, d26, d27, d28, d29, d30, d31)
SELECT s.w_id, s.mm, s.yy, s.smena, 0, 0,
    sum(s.t) FILTER (WHERE s.dd = 1),  sum(s.t) FILTER (WHERE s.dd = 2),  sum(s.t) FILTER (WHERE s.dd = 3),
    sum(s.t) FILTER (WHERE s.dd = 4),  sum(s.t) FILTER (WHERE s.dd = 5),  sum(s.t) FILTER (WHERE s.dd = 6),
    sum(s.t) FILTER (WHERE s.dd = 7),  sum(s.t) FILTER (WHERE s.dd = 8),  sum(s.t) FILTER (WHERE s.dd = 9),
    sum(s.t) FILTER (WHERE s.dd = 10), sum(s.t) FILTER (WHERE s.dd = 11), sum(s.t) FILTER (WHERE s.dd = 12),
    sum(s.t) FILTER (WHERE s.dd = 13), sum(s.t) FILTER (WHERE s.dd = 14), sum(s.t) FILTER (WHERE s.dd = 15),
    sum(s.t) FILTER (WHERE s.dd = 16), sum(s.t) FILTER (WHERE s.dd = 17), sum(s.t) FILTER (WHERE s.dd = 18),
    sum(s.t) FILTER (WHERE s.dd = 19), sum(s.t) FILTER (WHERE s.dd = 20), sum(s.t) FILTER (WHERE s.dd = 21),
    sum(s.t) FILTER (WHERE s.dd = 22), sum(s.t) FILTER (WHERE s.dd = 23), sum(s.t) FILTER (WHERE s.dd = 24),
    sum(s.t) FILTER (WHERE s.dd = 25), sum(s.t) FILTER (WHERE s.dd = 26), sum(s.t) FILTER (WHERE s.dd = 27),
    sum(s.t) FILTER (WHERE s.dd = 28), sum(s.t) FILTER (WHERE s.dd = 29), sum(s.t) FILTER (WHERE s.dd = 30),
    sum(s.t) FILTER (WHERE s.dd = 31)
FROM (
    SELECT w_id, smena, "time" AS t, extract(day FROM data)::int AS dd,
           extract(month FROM data)::int AS mm, extract(year FROM data)::int AS yy
    FROM accounts_dep.smena
) AS s
GROUP BY s.w_id, s.yy, s.mm, s.smena
ORDER BY s.yy, s.mm, s.smena, s.w_id;

INSERT INTO accounts_dep.h_tabel (w_id, month, year, smena, i_type, i_night,
    d1, d2, d3, d4, d5, d6, d7, d8, d9, d10, d11, d12, d13, d14, d15, d16,
    d17, d18, d19, d20, d21, d22, d23, d24, d25, d26, d27, d28, d29, d30, d31)
SELECT f.id_p, f.i_mnth, f.i_year, NULL, f.id_o, f.i_night,
    sum(f.cnt) FILTER (WHERE f.dd = 1),  sum(f.cnt) FILTER (WHERE f.dd = 2),  sum(f.cnt) FILTER (WHERE f.dd = 3),
    sum(f.cnt) FILTER (WHERE f.dd = 4),  sum(f.cnt) FILTER (WHERE f.dd = 5),  sum(f.cnt) FILTER (WHERE f.dd = 6),
    sum(f.cnt) FILTER (WHERE f.dd = 7),  sum(f.cnt) FILTER (WHERE f.dd = 8),  sum(f.cnt) FILTER (WHERE f.dd = 9),
    sum(f.cnt) FILTER (WHERE f.dd = 10), sum(f.cnt) FILTER (WHERE f.dd = 11), sum(f.cnt) FILTER (WHERE f.dd = 12),
    sum(f.cnt) FILTER (WHERE f.dd = 13), sum(f.cnt) FILTER (WHERE f.dd = 14), sum(f.cnt) FILTER (WHERE f.dd = 15),
    sum(f.cnt) FILTER (WHERE f.dd = 16), sum(f.cnt) FILTER (WHERE f.dd = 17), sum(f.cnt) FILTER (WHERE f.dd = 18),
    sum(f.cnt) FILTER (WHERE f.dd = 19), sum(f.cnt) FILTER (WHERE f.dd = 20), sum(f.cnt) FILTER (WHERE f.dd = 21),
    sum(f.cnt) FILTER (WHERE f.dd = 22), sum(f.cnt) FILTER (WHERE f.dd = 23), sum(f.cnt) FILTER (WHERE f.dd = 24),
    sum(f.cnt) FILTER (WHERE f.dd = 25), sum(f.cnt) FILTER (WHERE f.dd = 26), sum(f.cnt) FILTER (WHERE f.dd = 27),
    sum(f.cnt) FILTER (WHERE f.dd = 28), sum(f.cnt) FILTER (WHERE f.dd = 29), sum(f.cnt) FILTER (WHERE f.dd = 30),
    sum(f.cnt) FILTER (WHERE f.dd = 31)
FROM (
    SELECT id_p, id_o, i_mnth, i_year, i_night, cnt, extract(day FROM d_date)::int AS dd
    FROM accounts_dep.fatigue
) AS f
GROUP BY f.id_p, f.id_o, f.i_year, f.i_mnth, f.i_night
ORDER BY f.i_year, f.i_mnth, f.id_o, f.id_p, f.i_night;

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

DROP TABLE bench_worker, bench_day, bench_slot, bench_op;

ALTER TABLE accounts_dep.smena ENABLE TRIGGER USER;
ALTER TABLE accounts_dep.fatigue ENABLE TRIGGER USER;
ALTER TABLE accounts_dep.h_tabel ENABLE TRIGGER USER;
ALTER TABLE accounts_dep.oper ENABLE TRIGGER USER;
ALTER TABLE accounts_dep.norm ENABLE TRIGGER USER;
ALTER TABLE accounts_dep.vid_oper ENABLE TRIGGER USER;
ALTER TABLE accounts_dep.person ENABLE TRIGGER USER;
ALTER TABLE cmn_gds_and_srv.gds_and_srv ENABLE TRIGGER USER;

-- ---------------------------------------------------------------------------
-- History of changes: 1,000,000 audit rows, each shift record entered and then corrected up to twice on the
-- days after its work date, from fifteen workstations.
-- ---------------------------------------------------------------------------

INSERT INTO accounts_dep.audit (at, person, workstation, login_mode, table_name, row_id, worker, action, old_row,
                                new_row)
SELECT s.data + time '16:00' + k * interval '1 day' + (s.id % 3600) * interval '1 second',
       'sys', 'ws' || (s.w_id % 15), CASE WHEN s.id % 5 = 0 THEN 'foreman' ELSE 'full' END,
       'accounts_dep.smena', s.id, s.w_id, CASE WHEN k = 0 THEN 'I' ELSE 'U' END,
       CASE WHEN k > 0 THEN jsonb_set(to_jsonb(s), '{kol_vo}', to_jsonb(s.kol_vo + k)) END,
       CASE WHEN k = 0 THEN jsonb_set(to_jsonb(s), '{kol_vo}', to_jsonb(s.kol_vo + 1)) ELSE to_jsonb(s) END
  FROM generate_series(0, 2) k, accounts_dep.smena s
 LIMIT 1000000;

-- Closed months long before the records (2001 and 2002): every write of the rules looks them up, none is refused.
SELECT accounts_dep.close_month(y, m) FROM generate_series(2001, 2002) y, generate_series(1, 12) m;

VACUUM ANALYZE cmn_contractor.person, cmn_gds_and_srv.gds_and_srv, cmn_classifier.item,
        accounts_dep.smena, accounts_dep.h_tabel, accounts_dep.fatigue,
        accounts_dep.oper, accounts_dep.norm, accounts_dep.vid_oper, accounts_dep.person, accounts_dep.audit;
