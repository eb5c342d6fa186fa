-- A delivery note with the English label set: three lines, one with a note, a closing note.
INSERT INTO szlevfej (lBszam, lTkelt, lRkelt, lFkelt, lFizmod, lMegj, lSzerz, lPrn, lPnem, lmKod, lzKod, lvKod,
  lmemo, lMemoSzall, lMemoVevo)
VALUES ('20260001', '2026-03-02', '2026-03-02', '2026-03-10', 'átutalás', 'Raktárból, saját szállítással',
  'SZ-2026/0117', ' ', 'Ft', '00002', '1', '1', CONCAT_WS(CHAR(13, 10), 'Átvette:', '', 'Dátum:'),
  CONCAT_WS(CHAR(13, 10), 'Tisza-Mérleg Kereskedelmi Kft.', '6720 Szeged, Kárász utca 14.'),
  CONCAT_WS(CHAR(13, 10), 'Kovács és Társa Bt.', '1052 Budapest, Váci utca 8.'));
INSERT INTO szlevsor (eBszam, ecKod, ecSzam, eMegn, eVtsz, eMenny, eMe, eEar, ePnem, ekAfakod, eAfanev, eAfa, eMemo)
VALUES ('20260001', '1', 'TM-100', 'Konyhai mérleg 5 kg', '8423', 1.5, 'db', 8990, 'Ft', '1', '27% általános', 27,
    'Sérült dobozban'),
  ('20260001', '2', 'TM-220', 'Személymérleg', '8423', 2, 'db', 12500, 'Ft', '1', '27% általános', 27, ''),
  ('20260001', '5', 'TJ-20', 'Tejföl 20 % 330 g', '0403', 12.25, 'kg', 389.5, 'Ft', '2', '18% kedvezményes', 18, '');
