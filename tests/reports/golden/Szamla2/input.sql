-- A forint invoice with the English label set: four VAT rates, a remark and contract number that
-- fill their row, a two-line closing note.
INSERT INTO szlafej (fBszam, fTkelt, fRkelt, fFkelt, fFizmod, fMegj, fSzerz, fPrn, fKerek, fArfoly, fPnem, fmKod,
  fzKod, fvKod, fmemo, fMemoSzall, fMemoVevo)
VALUES ('20260001', '2026-03-02', '2026-03-02', '2026-03-10', 'átutalás',
  'A 2026. február 26-i megrendelés szerint, a szegedi raktárban átvéve, szállítólevél: K20260003 és 4',
  'SZ-2026/0117-KERET/B', ' ', 0, 0, 'Ft', '00002', '1', '1',
  CONCAT_WS(CHAR(13, 10), 'Köszönjük a vásárlást!', 'A számla ellenértékét kérjük a fenti bankszámlára utalni.'),
  CONCAT_WS(CHAR(13, 10), 'Tisza-Mérleg Kereskedelmi Kft.', '6720 Szeged, Kárász utca 14.', 'Adószám: 12345678-2-06',
    'Bankszámla: 11735005-20512345-00000000'),
  CONCAT_WS(CHAR(13, 10), 'Kovács és Társa Bt.', '1052 Budapest, Váci utca 8.', 'Adószám: 23456789-1-41'));
INSERT INTO szlasor (sBszam, scKod, scSzam, sMegn, sVtsz, sMenny, sMe, sEar, sPnem, skAfakod, sAfanev, sAfa, sMemo)
VALUES ('20260001', '1', 'TM-100', 'Konyhai mérleg 5 kg', '8423', 2, 'db', 8990, 'Ft', '1', '27% általános', 27, ''),
  ('20260001', '5', 'TJ-20', 'Tejföl 20 % 330 g', '0403', 12, 'db', 389.5, 'Ft', '2', '18% kedvezményes', 18, ''),
  ('20260001', '8', 'KV-018', 'Szakkönyv: Mérés a gyakorlatban', '4901', 1, 'db', 4200, 'Ft', '3', '5% kedvezményes', 5,
    'Második, átdolgozott kiadás'),
  ('20260001', '9', 'SZ-01', 'Hitelesítési díj', '', 1, 'alk', 6500, 'Ft', '4', 'AAM alanyi adómentes', 0, '');
