#pragma once

#include <vector>
// Where the fields of the three records lie, written out here from the
// records' description and not taken from the program's own tables, so a
// test of bytes catches a layout that moved.

namespace testsupport::appointmentBytes {

constexpr int RecordSize = 1265;

// Offset of each field's length byte; the field's bytes follow it.
constexpr int Date = 0;
constexpr int Hour = 11;
constexpr int Minute = 14;
constexpr int Time = 17;
constexpr int NoticeDays = 23;
constexpr int CommitmentType = 27;
constexpr int Purpose = 78;
constexpr int Details = 329;
constexpr int Contact = 580;
constexpr int Phone = 631;
constexpr int Mobile = 662;
constexpr int Email = 693;
constexpr int Place = 744;
constexpr int Amount = 995;
constexpr int Notes = 1011;
constexpr int Fulfilled = 1262;

} // namespace testsupport::appointmentBytes

namespace testsupport::contactBytes {

constexpr int RecordSize = 3372;
constexpr int FullName = 0;
constexpr int ResidenceProvince = 240;
constexpr int ResidenceTown = 243;
constexpr int VatNumber = 805;
constexpr int ToRecontact = 1863;
constexpr int AttachedFile1 = 1866;
constexpr int AttachmentDescription3 = 3121;

} // namespace testsupport::contactBytes

namespace testsupport::documentBytes {

constexpr int RecordSize = 3991;

// Offset of each field's length byte; the field's bytes follow it.
constexpr int DocumentName = 0;
constexpr int ProtocolNumber = 121;
constexpr int Producer = 152;
constexpr int ProducerAddress = 203;
constexpr int ProductionDate = 324;
constexpr int Recipient = 335;
constexpr int RecipientAddress = 386;
constexpr int ReceiptDate = 507;
constexpr int Subject = 518;
constexpr int DocumentType = 769;
constexpr int Classification = 820;
constexpr int Dossier = 871;
constexpr int Format = 992;
constexpr int PageCount = 1043;
constexpr int Enclosures = 1074;
constexpr int References = 1325;
constexpr int ConfidentialityLevel = 1576;
constexpr int ProductionSoftware = 1627;
constexpr int PaperLocation = 1678;
constexpr int CitedParties = 1729;
constexpr int Notes = 1980;
constexpr int DigitalCopyFile = 2231;
constexpr int ToComplete = 2482;
constexpr int AttachedFile1 = 2485;
constexpr int AttachedFile2 = 2736;
constexpr int AttachedFile3 = 2987;
constexpr int AttachmentDescription1 = 3238;
constexpr int AttachmentDescription2 = 3489;
constexpr int AttachmentDescription3 = 3740;

} // namespace testsupport::documentBytes

namespace testsupport {

// Offsets and capacities as the record layouts give them, written out here
// on purpose rather than taken from the program's tables.
struct Slot {
    int offset;
    int capacity;
};
inline const std::vector<Slot> AppointmentSlots
    = { { 0, 10 }, { 11, 2 }, { 14, 2 }, { 17, 5 }, { 23, 3 }, { 27, 50 }, { 78, 250 }, { 329, 250 }, { 580, 50 },
          { 631, 30 }, { 662, 30 }, { 693, 50 }, { 744, 250 }, { 995, 15 }, { 1011, 250 }, { 1262, 2 } };
inline const std::vector<Slot> ContactSlots = { { 0, 50 }, { 51, 30 }, { 82, 50 }, { 133, 2 }, { 136, 1 }, { 138, 50 },
    { 189, 50 }, { 240, 2 }, { 243, 50 }, { 294, 5 }, { 300, 250 }, { 551, 30 }, { 582, 30 }, { 613, 30 }, { 644, 30 },
    { 675, 50 }, { 726, 16 }, { 743, 30 }, { 774, 30 }, { 805, 11 }, { 817, 27 }, { 845, 120 }, { 966, 50 },
    { 1017, 50 }, { 1068, 120 }, { 1189, 120 }, { 1310, 50 }, { 1361, 250 }, { 1612, 250 }, { 1863, 2 }, { 1866, 250 },
    { 2117, 250 }, { 2368, 250 }, { 2619, 250 }, { 2870, 250 }, { 3121, 250 } };
inline const std::vector<Slot> DocumentSlots
    = { { 0, 120 }, { 121, 30 }, { 152, 50 }, { 203, 120 }, { 324, 10 }, { 335, 50 }, { 386, 120 }, { 507, 10 },
          { 518, 250 }, { 769, 50 }, { 820, 50 }, { 871, 120 }, { 992, 50 }, { 1043, 30 }, { 1074, 250 }, { 1325, 250 },
          { 1576, 50 }, { 1627, 50 }, { 1678, 50 }, { 1729, 250 }, { 1980, 250 }, { 2231, 250 }, { 2482, 2 },
          { 2485, 250 }, { 2736, 250 }, { 2987, 250 }, { 3238, 250 }, { 3489, 250 }, { 3740, 250 } };

} // namespace testsupport
