-- A euro invoice with the German label set and 5 % discount: four VAT rates, the exchange-rate
-- row, the discount note, a line note of three lines.
INSERT INTO szlafej (fBszam, fTkelt, fRkelt, fFkelt, fFizmod, fMegj, fSzerz, fPrn, fKerek, fArfoly, fPnem, fmKod,
  fzKod, fvKod, fmemo, fMemoSzall, fMemoVevo)
VALUES ('20260001', '2026-03-02', '2026-03-03', '2026-04-02', 'átutalás', 'Rahmenvertrag', 'RV-2025/44', ' ', 5,
  390.5, 'EUR', '00003', '1', '2', 'Vielen Dank für Ihren Auftrag!',
  CONCAT_WS(CHAR(13, 10), 'Tisza-Mérleg Kereskedelmi Kft.', '6720 Szeged, Kárász utca 14.', 'Adószám: 12345678-2-06'),
  CONCAT_WS(CHAR(13, 10), 'Waagen Huber GmbH', 'Hauptstraße 12', 'A-1010 Wien', 'UID: ATU12345678'));
INSERT INTO szlasor (sBszam, scKod, scSzam, sMegn, sVtsz, sMenny, sMe, sEar, sPnem, skAfakod, sAfanev, sAfa, sMemo)
VALUES ('20260001', '1', 'TM-100', 'Konyhai mérleg 5 kg', '8423', 10, 'db', 23.9, 'EUR', '1', '27% általános', 27,
    CONCAT_WS(CHAR(13, 10), 'Eichfähig, mit Prüfbescheinigung.', 'Lieferung in zwei Teilen:',
      'die zweite Hälfte bis zum 20. März.')),
  ('20260001', '5', 'TJ-20', 'Tejföl 20 % 330 g', '0403', 3.5, 'kg', 1.07, 'EUR', '2', '18% kedvezményes', 18, ''),
  ('20260001', '8', 'KV-018', 'Szakkönyv: Mérés a gyakorlatban', '4901', 2, 'db', 11.5, 'EUR', '3', '5% kedvezményes',
    5, ''),
  ('20260001', '9', 'SZ-01', 'Hitelesítési díj', '', 1, 'alk', 17, 'EUR', '4', 'AAM alanyi adómentes', 0, '');
