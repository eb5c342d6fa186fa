-- A delivery note with the German label set: a long remark, a line note whose first paragraph wraps.
INSERT INTO szlevfej (lBszam, lTkelt, lRkelt, lFkelt, lFizmod, lMegj, lSzerz, lPrn, lPnem, lmKod, lzKod, lvKod,
  lmemo, lMemoSzall, lMemoVevo)
VALUES ('20260001', '2026-03-02', '2026-03-03', '2026-04-02', 'átutalás',
  'Teillieferung zum Rahmenvertrag, Anlieferung an Rampe 3 des Lagers, Ansprechpartner Herr Gruber',
  'RV-2025/44', ' ', 'EUR', '00003', '1', '2', 'Ware in einwandfreiem Zustand übernommen.',
  CONCAT_WS(CHAR(13, 10), 'Tisza-Mérleg Kereskedelmi Kft.', '6720 Szeged, Kárász utca 14.'),
  CONCAT_WS(CHAR(13, 10), 'Waagen Huber GmbH', 'Hauptstraße 12', 'A-1010 Wien'));
INSERT INTO szlevsor (eBszam, ecKod, ecSzam, eMegn, eVtsz, eMenny, eMe, eEar, ePnem, ekAfakod, eAfanev, eAfa, eMemo)
VALUES ('20260001', '1', 'TM-100', 'Konyhai mérleg 5 kg', '8423', 10, 'db', 23.9, 'EUR', '1', '27% általános', 27,
    CONCAT_WS(CHAR(13, 10), 'Eichfähig, mit Prüfbescheinigung. Die Geräte werden in der Originalverpackung geliefert, die Bedienungsanleitung liegt in deutscher und ungarischer Sprache bei.',
      'Lieferung in zwei Teilen.', 'Rest bis 20. März.')),
  ('20260001', '8', 'KV-018', 'Szakkönyv: Mérés a gyakorlatban', '4901', 2, 'db', 11.5, 'EUR', '3', '5% kedvezményes',
    5, '');
