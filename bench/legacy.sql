-- The legacy (Access) database of the import benchmark, for sqlite3 on a file made by `scripts/legacy-sqlite FILE`
-- (empty tables): 375,000 shift records over five years, like the plant's; the other six tables stay empty, so
-- the import's time is that of the shift records. Deterministic (no random numbers).
PRAGMA journal_mode = OFF;
PRAGMA synchronous = OFF;
BEGIN;
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 375000)
INSERT INTO smena
SELECT i, 1 + (i * 7) % 600, 1 + (i * 13) % 3000, 1 + (i * 11) % 8000, 10 + i % 300, i % 5, 1 + i % 4,
       0.5 + 0.25 * (i % 50), i % 3, CASE WHEN i % 9 = 0 THEN 'no' ELSE 'да' END,
       datetime('2020-01-01', '+' || (i % 1800) || ' days'), 1 + i % 12,
       datetime('2020-01-01 08:30:00', '+' || (i % 1800) || ' days', '+' || (i % 600) || ' minutes')
FROM n;
COMMIT;
