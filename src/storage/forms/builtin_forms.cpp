#include "storage/forms/builtin_forms.h"

namespace tb::storage {

namespace {

// Field definitions, one array a form: legacy field number, label string,
// form kind, masked, 0, 0. Labels 30000 upward are shared between forms,
// 31000 + 100 * n upward belong to form n alone.

// 0: General
constexpr FormFieldDef kForm0Fields[] = {
    {501, 31000, 1, 0, 0, 0},   // Number
    {502, 31001, 5, 0, 0, 0},   // Type
    {503, 31002, 0, 1, 0, 0},   // Password
    {504, 31003, 2, 0, 0, 0},   // Name
    {505, 31004, 5, 0, 0, 0},   // Description
    {506, 31005, 5, 0, 0, 0},   // Location
    {507, 31006, 0, 0, 0, 0},   // Code
    {508, 31007, 0, 0, 0, 0},   // User ID
    {509, 31008, 0, 0, 0, 0},   // Reference
    {510, 31009, 11, 0, 0, 0},  // Telephone
    {511, 31010, 11, 0, 0, 0},  // Alternative telephone
    {512, 31011, 0, 0, 0, 0},   // Info 1
    {513, 31012, 0, 0, 0, 0},   // Info 2
    {514, 31013, 0, 0, 0, 0},   // Info 3
    {515, 31014, 0, 0, 0, 0},   // Info 4
    {516, 31015, 0, 0, 0, 0},   // Info 5
};

// 1: Credit Card
constexpr FormFieldDef kForm1Fields[] = {
    {501, 30019, 1, 0, 0, 0},   // Card number
    {502, 31100, 2, 0, 0, 0},   // Name on card
    {503, 30012, 0, 0, 0, 0},   // Expiry date
    {504, 31101, 0, 1, 0, 0},   // Security code
    {505, 30014, 0, 1, 0, 0},   // PIN
    {506, 31102, 0, 0, 0, 0},   // Issuing bank
    {507, 31103, 0, 0, 0, 0},   // Credit limit
    {508, 31104, 0, 0, 0, 0},   // Valid from
    {509, 31105, 11, 0, 0, 0},  // Lost card telephone
    {510, 30000, 3, 0, 0, 0},   // Web site
};

// 2: Bank Account
constexpr FormFieldDef kForm2Fields[] = {
    {501, 30022, 0, 0, 0, 0},   // Bank
    {502, 30051, 0, 0, 0, 0},   // Branch
    {503, 30052, 2, 0, 0, 0},   // Account holder
    {504, 30023, 1, 0, 0, 0},   // Account number
    {505, 30024, 5, 0, 0, 0},   // Account type
    {506, 31200, 1, 0, 0, 0},   // Bank code
    {507, 31201, 1, 0, 0, 0},   // IBAN
    {508, 31202, 1, 0, 0, 0},   // SWIFT/BIC
    {509, 30014, 0, 1, 0, 0},   // PIN
    {510, 31203, 0, 0, 0, 0},   // Overdraft limit
    {511, 30053, 11, 0, 0, 0},  // Telephone banking
    {512, 30054, 2, 0, 0, 0},   // Contact person
    {513, 30008, 11, 0, 0, 0},  // Telephone
    {514, 30009, 0, 0, 0, 0},   // Fax
    {515, 30001, 15, 0, 0, 0},  // E-mail
    {516, 30000, 3, 0, 0, 0},   // Web site
    {517, 30003, 0, 0, 0, 0},   // Address
    {518, 30004, 2, 0, 0, 0},   // City
    {519, 30005, 1, 0, 0, 0},   // Postcode
    {520, 30055, 0, 0, 0, 0},   // Date opened
};

// 3: Insurance Policy
constexpr FormFieldDef kForm3Fields[] = {
    {501, 30025, 0, 0, 0, 0},   // Insurance company
    {502, 30026, 1, 0, 0, 0},   // Policy number
    {503, 31300, 5, 0, 0, 0},   // Policy type
    {504, 30027, 2, 0, 0, 0},   // Policy holder
    {505, 30056, 2, 0, 0, 0},   // Insured person
    {506, 31301, 2, 0, 0, 0},   // Beneficiary
    {507, 30016, 0, 0, 0, 0},   // Start date
    {508, 30057, 8, 0, 0, 0},   // Renewal date
    {509, 30028, 0, 0, 0, 0},   // Premium
    {510, 30058, 0, 0, 0, 0},   // Payment frequency
    {511, 31302, 0, 0, 0, 0},   // Sum insured
    {512, 30029, 0, 0, 0, 0},   // Deductible
    {513, 30030, 2, 0, 0, 0},   // Agent
    {514, 30031, 11, 0, 0, 0},  // Agent telephone
    {515, 30059, 1, 0, 0, 0},   // Agent number
    {516, 30060, 0, 0, 0, 0},   // Agent fax
    {517, 30061, 15, 0, 0, 0},  // Agent e-mail
    {518, 30003, 0, 0, 0, 0},   // Address
    {519, 30004, 2, 0, 0, 0},   // City
    {520, 30005, 1, 0, 0, 0},   // Postcode
    {521, 30007, 2, 0, 0, 0},   // Country
    {522, 30008, 11, 0, 0, 0},  // Telephone
    {523, 30032, 11, 0, 0, 0},  // Claims telephone
    {524, 30033, 11, 0, 0, 0},  // Emergency telephone
    {525, 30009, 0, 0, 0, 0},   // Fax
    {526, 30001, 15, 0, 0, 0},  // E-mail
    {527, 30000, 3, 0, 0, 0},   // Web site
    {528, 30010, 1, 0, 0, 0},   // Customer number
    {529, 30006, 0, 0, 0, 0},   // User name
    {530, 30034, 0, 0, 0, 0},   // Payment method
    {531, 30035, 1, 0, 0, 0},   // Bank account
    {532, 30062, 9, 0, 0, 0},   // Automatic renewal
    {533, 30063, 0, 0, 0, 0},   // Cancellation period
};

// 4: Web Login
constexpr FormFieldDef kForm4Fields[] = {
    {501, 30000, 3, 0, 0, 0},  // Web site
    {502, 30006, 0, 0, 0, 0},  // User name
    {503, 30011, 0, 1, 0, 0},  // Password
    {504, 30001, 0, 0, 0, 0},  // E-mail
    {505, 30010, 1, 0, 0, 0},  // Customer number
    {506, 30036, 0, 0, 0, 0},  // Security question
    {507, 30037, 0, 0, 0, 0},  // Security answer
    {508, 31400, 0, 0, 0, 0},  // Password hint
    {509, 31401, 0, 0, 0, 0},  // Date registered
    {510, 30002, 2, 0, 0, 0},  // Name
    {511, 31402, 0, 0, 0, 0},  // Account status
    {512, 31403, 0, 0, 0, 0},  // Last changed
    {513, 31404, 0, 0, 0, 0},  // Comments
};

// 5: E-mail Account
constexpr FormFieldDef kForm5Fields[] = {
    {501, 31500, 15, 0, 0, 0},  // E-mail address
    {502, 31501, 2, 0, 0, 0},   // Display name
    {503, 30006, 0, 0, 0, 0},   // User name
    {504, 30011, 0, 1, 0, 0},   // Password
    {505, 30024, 1, 0, 0, 0},   // Account type
    {506, 31502, 0, 0, 0, 0},   // Incoming server
    {507, 31503, 0, 0, 0, 0},   // Incoming port
    {508, 31504, 1, 0, 0, 0},   // Incoming security
    {509, 31505, 0, 0, 0, 0},   // Outgoing server
    {510, 31506, 0, 0, 0, 0},   // Outgoing port
    {511, 31507, 1, 0, 0, 0},   // Outgoing security
    {512, 31508, 9, 0, 0, 0},   // Outgoing authentication
    {513, 31509, 0, 0, 0, 0},   // Reply-to address
    {514, 31510, 3, 0, 0, 0},   // Web mail
    {515, 30017, 0, 0, 0, 0},   // Provider
    {516, 30013, 11, 0, 0, 0},  // Support telephone
    {517, 30038, 15, 0, 0, 0},  // Support e-mail
    {518, 31511, 1, 0, 0, 0},   // Authentication method
    {519, 30064, 0, 0, 0, 0},   // Domain
    {520, 31512, 0, 0, 0, 0},   // Alias
    {521, 31513, 0, 0, 0, 0},   // Signature
    {522, 31514, 0, 0, 0, 0},   // Mailbox size
    {523, 30010, 1, 0, 0, 0},   // Customer number
    {524, 31515, 0, 0, 0, 0},   // Contract date
    {525, 31516, 0, 0, 0, 0},   // Forwarding address
};

// 6: Internet Provider
constexpr FormFieldDef kForm6Fields[] = {
    {501, 30017, 0, 0, 0, 0},   // Provider
    {502, 30010, 1, 0, 0, 0},   // Customer number
    {503, 30006, 0, 0, 0, 0},   // User name
    {504, 30011, 0, 1, 0, 0},   // Password
    {505, 30065, 11, 0, 0, 0},  // Dial-up number
    {506, 31600, 1, 0, 0, 0},   // Modem initialisation
    {507, 30066, 0, 0, 0, 0},   // DNS server
    {508, 31601, 0, 0, 0, 0},   // Alternative DNS server
    {509, 30039, 0, 0, 0, 0},   // IP address
    {510, 31602, 0, 0, 0, 0},   // Subnet mask
    {511, 31603, 0, 0, 0, 0},   // Gateway
    {512, 31604, 0, 0, 0, 0},   // Proxy server
    {513, 31605, 0, 0, 0, 0},   // Proxy port
    {514, 31606, 0, 0, 0, 0},   // News server
    {515, 31607, 1, 0, 0, 0},   // Connection type
    {516, 31608, 0, 0, 0, 0},   // Modem
    {517, 30013, 11, 0, 0, 0},  // Support telephone
    {518, 30038, 15, 0, 0, 0},  // Support e-mail
    {519, 30000, 3, 0, 0, 0},   // Web site
    {520, 31609, 0, 0, 0, 0},   // Monthly charge
    {521, 30016, 0, 0, 0, 0},   // Start date
    {522, 30067, 0, 0, 0, 0},   // End date
};

// 7: Membership
constexpr FormFieldDef kForm7Fields[] = {
    {501, 31700, 0, 0, 0, 0},   // Organisation
    {502, 30068, 1, 0, 0, 0},   // Membership number
    {503, 30002, 2, 0, 0, 0},   // Name
    {504, 31701, 5, 0, 0, 0},   // Membership type
    {505, 30069, 0, 0, 0, 0},   // Member since
    {506, 30012, 8, 0, 0, 0},   // Expiry date
    {507, 31702, 0, 0, 0, 0},   // Fee
    {508, 30054, 2, 0, 0, 0},   // Contact person
    {509, 30003, 0, 0, 0, 0},   // Address
    {510, 30004, 2, 0, 0, 0},   // City
    {511, 30005, 1, 0, 0, 0},   // Postcode
    {512, 30007, 2, 0, 0, 0},   // Country
    {513, 30008, 11, 0, 0, 0},  // Telephone
    {514, 30009, 0, 0, 0, 0},   // Fax
    {515, 30001, 15, 0, 0, 0},  // E-mail
    {516, 30000, 3, 0, 0, 0},   // Web site
};

// 8: Passport
constexpr FormFieldDef kForm8Fields[] = {
    {501, 30070, 1, 0, 0, 0},   // Passport number
    {502, 31800, 2, 0, 0, 0},   // Surname
    {503, 31801, 2, 0, 0, 0},   // Given names
    {504, 30071, 1, 0, 0, 0},   // Nationality
    {505, 30015, 8, 0, 0, 0},   // Date of birth
    {506, 30040, 2, 0, 0, 0},   // Place of birth
    {507, 30072, 1, 0, 0, 0},   // Sex
    {508, 30073, 0, 0, 0, 0},   // Height
    {509, 31802, 0, 0, 0, 0},   // Eye colour
    {510, 30041, 8, 0, 0, 0},   // Date of issue
    {511, 30012, 8, 0, 0, 0},   // Expiry date
    {512, 30042, 0, 0, 0, 0},   // Issuing authority
    {513, 31803, 0, 0, 0, 0},   // Place of issue
    {514, 31804, 1, 0, 0, 0},   // Country code
    {515, 31805, 0, 0, 0, 0},   // Visas
    {516, 31806, 11, 0, 0, 0},  // Embassy telephone
    {517, 31807, 1, 0, 0, 0},   // Personal number
};

// 9: Driver's Licence
constexpr FormFieldDef kForm9Fields[] = {
    {501, 31900, 1, 0, 0, 0},  // Licence number
    {502, 30002, 2, 0, 0, 0},  // Name
    {503, 30015, 8, 0, 0, 0},  // Date of birth
    {504, 30003, 0, 0, 0, 0},  // Address
    {505, 31901, 1, 0, 0, 0},  // Licence classes
    {506, 30041, 8, 0, 0, 0},  // Date of issue
    {507, 30012, 8, 0, 0, 0},  // Expiry date
    {508, 30042, 0, 0, 0, 0},  // Issuing authority
    {509, 31902, 0, 0, 0, 0},  // Restrictions
    {510, 30007, 2, 0, 0, 0},  // Country
};

// 10: Combination Lock
constexpr FormFieldDef kForm10Fields[] = {
    {501, 32000, 5, 0, 0, 0},  // Location
    {502, 32001, 0, 1, 0, 0},  // Combination
    {503, 30018, 0, 0, 0, 0},  // Make
    {504, 30043, 1, 0, 0, 0},  // Serial number
    {505, 32002, 0, 0, 0, 0},  // Reset code
};

// 11: Voice Mail
constexpr FormFieldDef kForm11Fields[] = {
    {501, 30074, 11, 0, 0, 0},  // Access number
    {502, 32100, 0, 0, 0, 0},   // Mailbox number
    {503, 30014, 0, 1, 0, 0},   // PIN
};

// 12: Calling Card
constexpr FormFieldDef kForm12Fields[] = {
    {501, 30019, 1, 0, 0, 0},   // Card number
    {502, 30014, 0, 1, 0, 0},   // PIN
    {503, 30017, 0, 0, 0, 0},   // Provider
    {504, 30074, 11, 0, 0, 0},  // Access number
    {505, 32200, 11, 0, 0, 0},  // International access number
    {506, 30044, 11, 0, 0, 0},  // Customer service
    {507, 32201, 0, 0, 0, 0},   // Balance
    {508, 30012, 0, 0, 0, 0},   // Expiry date
    {509, 32202, 0, 0, 0, 0},   // Dialling instructions
    {510, 32203, 0, 0, 0, 0},   // Rate per minute
    {511, 32204, 0, 0, 0, 0},   // Top-up code
};

// 13: Frequent Flyer
constexpr FormFieldDef kForm13Fields[] = {
    {501, 30075, 0, 0, 0, 0},   // Airline
    {502, 32300, 5, 0, 0, 0},   // Programme
    {503, 30068, 1, 0, 0, 0},   // Membership number
    {504, 30002, 2, 0, 0, 0},   // Name
    {505, 32301, 1, 0, 0, 0},   // Status
    {506, 30069, 0, 0, 0, 0},   // Member since
    {507, 32302, 0, 0, 0, 0},   // Status valid until
    {508, 32303, 0, 0, 0, 0},   // Miles
    {509, 30014, 0, 0, 0, 0},   // PIN
    {510, 32304, 5, 0, 0, 0},   // Alliance
    {511, 32305, 0, 0, 0, 0},   // Seat preference
    {512, 32306, 0, 0, 0, 0},   // Meal preference
    {513, 32307, 11, 0, 0, 0},  // Reservations telephone
    {514, 32308, 0, 0, 0, 0},   // Companion pass
    {515, 30001, 15, 0, 0, 0},  // E-mail
    {516, 30000, 3, 0, 0, 0},   // Web site
    {517, 30006, 0, 0, 0, 0},   // User name
};

// 14: Software Licence
constexpr FormFieldDef kForm14Fields[] = {
    {501, 32400, 2, 0, 0, 0},   // Product
    {502, 32401, 0, 0, 0, 0},   // Version
    {503, 32402, 1, 0, 0, 0},   // Licence key
    {504, 32403, 2, 0, 0, 0},   // Registered to
    {505, 30076, 0, 0, 0, 0},   // Purchase date
    {506, 32404, 0, 0, 0, 0},   // Publisher
    {507, 30013, 11, 0, 0, 0},  // Support telephone
    {508, 30000, 3, 0, 0, 0},   // Web site
};

// 15: Mobile Phone
constexpr FormFieldDef kForm15Fields[] = {
    {501, 32500, 11, 0, 0, 0},  // Telephone number
    {502, 32501, 0, 0, 0, 0},   // Network operator
    {503, 30014, 0, 1, 0, 0},   // PIN
    {504, 32502, 0, 0, 0, 0},   // PUK
    {505, 32503, 1, 0, 0, 0},   // IMEI
    {506, 32504, 1, 0, 0, 0},   // SIM number
    {507, 30018, 0, 0, 0, 0},   // Make
    {508, 30020, 1, 0, 0, 0},   // Model
    {509, 30077, 1, 0, 0, 0},   // Contract number
    {510, 30067, 0, 0, 0, 0},   // End date
    {511, 30044, 11, 0, 0, 0},  // Customer service
    {512, 32505, 11, 0, 0, 0},  // Voice mail
    {513, 32506, 0, 0, 0, 0},   // Lock code
};

// 16: Vehicle
constexpr FormFieldDef kForm16Fields[] = {
    {501, 30018, 2, 0, 0, 0},   // Make
    {502, 30020, 2, 0, 0, 0},   // Model
    {503, 30078, 0, 0, 0, 0},   // Year
    {504, 30079, 1, 0, 0, 0},   // Licence plate
    {505, 30080, 1, 0, 0, 0},   // Vehicle identification number
    {506, 30081, 5, 0, 0, 0},   // Colour
    {507, 32600, 0, 0, 0, 0},   // First registered
    {508, 32601, 8, 0, 0, 0},   // Inspection due
    {509, 32602, 1, 0, 0, 0},   // Tyre size
    {510, 32603, 0, 0, 0, 0},   // Tyre pressure
    {511, 32604, 0, 0, 0, 0},   // Engine
    {512, 32605, 0, 0, 0, 0},   // Fuel
    {513, 30082, 1, 0, 0, 0},   // Key number
    {514, 32606, 0, 0, 0, 0},   // Radio code
    {515, 32607, 0, 0, 0, 0},   // Dealer
    {516, 32608, 11, 0, 0, 0},  // Dealer telephone
    {517, 30045, 11, 0, 0, 0},  // Breakdown service
    {518, 32609, 0, 0, 0, 0},   // Service interval
};

// 17: Clothes Sizes
constexpr FormFieldDef kForm17Fields[] = {
    {501, 30002, 2, 0, 0, 0},  // Name
    {502, 32700, 0, 0, 0, 0},  // Shirt
    {503, 32701, 0, 0, 0, 0},  // Collar
    {504, 32702, 0, 0, 0, 0},  // Jacket
    {505, 32703, 0, 0, 0, 0},  // Trousers
    {506, 32704, 0, 0, 0, 0},  // Waist
    {507, 32705, 0, 0, 0, 0},  // Inside leg
    {508, 32706, 0, 0, 0, 0},  // Dress
    {509, 32707, 0, 0, 0, 0},  // Shoes
    {510, 32708, 0, 0, 0, 0},  // Hat
    {511, 32709, 0, 0, 0, 0},  // Gloves
    {512, 32710, 0, 0, 0, 0},  // Ring
};

// 18: ID Card
constexpr FormFieldDef kForm18Fields[] = {
    {501, 30019, 1, 0, 0, 0},  // Card number
    {502, 30002, 2, 0, 0, 0},  // Name
    {503, 30015, 8, 0, 0, 0},  // Date of birth
    {504, 30040, 2, 0, 0, 0},  // Place of birth
    {505, 30071, 2, 0, 0, 0},  // Nationality
    {506, 30041, 8, 0, 0, 0},  // Date of issue
    {507, 30012, 8, 0, 0, 0},  // Expiry date
    {508, 30042, 0, 0, 0, 0},  // Issuing authority
};

// 19: Loyalty Card
constexpr FormFieldDef kForm19Fields[] = {
    {501, 30083, 0, 0, 0, 0},  // Shop
    {502, 30019, 1, 0, 0, 0},  // Card number
    {503, 32900, 0, 0, 0, 0},  // Points
};

// 20: Computer
constexpr FormFieldDef kForm20Fields[] = {
    {501, 33000, 1, 0, 0, 0},   // Computer name
    {502, 30018, 0, 0, 0, 0},   // Make
    {503, 30020, 1, 0, 0, 0},   // Model
    {504, 30043, 1, 0, 0, 0},   // Serial number
    {505, 33001, 5, 0, 0, 0},   // Operating system
    {506, 33002, 1, 0, 0, 0},   // Product key
    {507, 30006, 0, 0, 0, 0},   // User name
    {508, 30011, 0, 1, 0, 0},   // Password
    {509, 33003, 0, 0, 0, 0},   // Administrator password
    {510, 30039, 0, 0, 0, 0},   // IP address
    {511, 30084, 1, 0, 0, 0},   // MAC address
    {512, 33004, 1, 0, 0, 0},   // Workgroup
    {513, 30076, 0, 0, 0, 0},   // Purchase date
    {514, 33005, 0, 0, 0, 0},   // Warranty until
    {515, 30013, 11, 0, 0, 0},  // Support telephone
};

// 21: Flight
constexpr FormFieldDef kForm21Fields[] = {
    {501, 30075, 0, 0, 0, 0},   // Airline
    {502, 33100, 1, 0, 0, 0},   // Flight number
    {503, 33101, 1, 0, 0, 0},   // Booking reference
    {504, 33102, 18, 0, 0, 0},  // Departure
    {505, 33103, 18, 0, 0, 0},  // Arrival
    {506, 33104, 0, 0, 0, 0},   // From
    {507, 33105, 0, 0, 0, 0},   // To
    {508, 33106, 1, 0, 0, 0},   // Terminal
    {509, 33107, 1, 0, 0, 0},   // Gate
    {510, 33108, 1, 0, 0, 0},   // Seat
    {511, 33109, 5, 0, 0, 0},   // Class
    {512, 33110, 17, 0, 0, 0},  // Boarding time
    {513, 33111, 1, 0, 0, 0},   // Ticket number
    {514, 33112, 1, 0, 0, 0},   // Frequent flyer number
    {515, 33113, 11, 0, 0, 0},  // Airline telephone
    {516, 33114, 0, 0, 0, 0},   // Baggage allowance
};

// 22: Family Member
constexpr FormFieldDef kForm22Fields[] = {
    {501, 30002, 2, 0, 0, 0},   // Name
    {502, 33200, 5, 0, 0, 0},   // Relationship
    {503, 30015, 8, 0, 0, 0},   // Date of birth
    {504, 30040, 2, 0, 0, 0},   // Place of birth
    {505, 30003, 0, 0, 0, 0},   // Address
    {506, 30004, 2, 0, 0, 0},   // City
    {507, 30005, 1, 0, 0, 0},   // Postcode
    {508, 30007, 2, 0, 0, 0},   // Country
    {509, 30046, 11, 0, 0, 0},  // Home telephone
    {510, 30047, 11, 0, 0, 0},  // Mobile
    {511, 30085, 11, 0, 0, 0},  // Work telephone
    {512, 30001, 15, 0, 0, 0},  // E-mail
    {513, 30086, 0, 0, 0, 0},   // Anniversary
    {514, 30087, 1, 0, 0, 0},   // Blood group
    {515, 30088, 0, 0, 0, 0},   // Allergies
    {516, 30048, 2, 0, 0, 0},   // Doctor
    {517, 30021, 11, 0, 0, 0},  // Doctor telephone
    {518, 33201, 0, 0, 0, 0},   // School
    {519, 33202, 11, 0, 0, 0},  // School telephone
    {520, 30089, 0, 0, 0, 0},   // Employer
    {521, 30049, 1, 0, 0, 0},   // Social security number
    {522, 30070, 1, 0, 0, 0},   // Passport number
    {523, 30090, 0, 0, 0, 0},   // Health insurance
    {524, 33203, 0, 0, 0, 0},   // Clothes size
    {525, 33204, 0, 0, 0, 0},   // Shoe size
    {526, 33205, 0, 0, 0, 0},   // Hobbies
    {527, 33206, 0, 0, 0, 0},   // Gift ideas
};

// 23: Emergency Numbers
constexpr FormFieldDef kForm23Fields[] = {
    {501, 33300, 11, 0, 0, 0},  // Police
    {502, 33301, 11, 0, 0, 0},  // Fire brigade
    {503, 33302, 11, 0, 0, 0},  // Ambulance
    {504, 30048, 2, 0, 0, 0},   // Doctor
    {505, 30021, 11, 0, 0, 0},  // Doctor telephone
    {506, 30091, 2, 0, 0, 0},   // Dentist
    {507, 30092, 11, 0, 0, 0},  // Dentist telephone
    {508, 30093, 2, 0, 0, 0},   // Hospital
    {509, 30094, 11, 0, 0, 0},  // Hospital telephone
    {510, 30095, 2, 0, 0, 0},   // Pharmacy
    {511, 30096, 11, 0, 0, 0},  // Pharmacy telephone
    {512, 33303, 11, 0, 0, 0},  // Poison control
    {513, 30097, 2, 0, 0, 0},   // Emergency contact
    {514, 30098, 11, 0, 0, 0},  // Contact telephone
    {515, 33304, 2, 0, 0, 0},   // Second contact
    {516, 33305, 11, 0, 0, 0},  // Second contact telephone
    {517, 33306, 2, 0, 0, 0},   // Neighbour
    {518, 33307, 11, 0, 0, 0},  // Neighbour telephone
    {519, 33308, 11, 0, 0, 0},  // Locksmith
    {520, 33309, 11, 0, 0, 0},  // Plumber
    {521, 33310, 11, 0, 0, 0},  // Electrician
    {522, 30099, 11, 0, 0, 0},  // Veterinarian telephone
    {523, 33311, 0, 0, 0, 0},   // Meeting point
    {524, 30045, 11, 0, 0, 0},  // Breakdown service
};

// 24: Online Shop
constexpr FormFieldDef kForm24Fields[] = {
    {501, 30083, 0, 0, 0, 0},   // Shop
    {502, 30000, 3, 0, 0, 0},   // Web site
    {503, 30006, 0, 0, 0, 0},   // User name
    {504, 30011, 0, 1, 0, 0},   // Password
    {505, 30001, 0, 0, 0, 0},   // E-mail
    {506, 30010, 1, 0, 0, 0},   // Customer number
    {507, 30002, 2, 0, 0, 0},   // Name
    {508, 33400, 0, 0, 0, 0},   // Delivery address
    {509, 30004, 2, 0, 0, 0},   // City
    {510, 30005, 1, 0, 0, 0},   // Postcode
    {511, 30007, 2, 0, 0, 0},   // Country
    {512, 30034, 0, 0, 0, 0},   // Payment method
    {513, 30044, 11, 0, 0, 0},  // Customer service
    {514, 30036, 0, 0, 0, 0},   // Security question
    {515, 30037, 0, 0, 0, 0},   // Security answer
    {516, 33401, 1, 0, 0, 0},   // Order number
};

// 25: Personal Contact
constexpr FormFieldDef kForm25Fields[] = {
    {501, 30100, 2, 0, 0, 0},   // First name
    {502, 30101, 2, 0, 0, 0},   // Last name
    {503, 33500, 2, 0, 0, 0},   // Nickname
    {504, 30003, 0, 0, 0, 0},   // Address
    {505, 30004, 2, 0, 0, 0},   // City
    {506, 30102, 2, 0, 0, 0},   // State
    {507, 30005, 1, 0, 0, 0},   // Postcode
    {508, 30007, 2, 0, 0, 0},   // Country
    {509, 30046, 11, 0, 0, 0},  // Home telephone
    {510, 30047, 11, 0, 0, 0},  // Mobile
    {511, 30085, 11, 0, 0, 0},  // Work telephone
    {512, 30009, 0, 0, 0, 0},   // Fax
    {513, 30103, 0, 0, 0, 0},   // Pager
    {514, 30001, 15, 0, 0, 0},  // E-mail
    {515, 30104, 15, 0, 0, 0},  // Second e-mail
    {516, 30000, 3, 0, 0, 0},   // Web site
    {517, 33501, 0, 0, 0, 0},   // Instant messenger
    {518, 30105, 8, 0, 0, 0},   // Birthday
    {519, 30086, 8, 0, 0, 0},   // Anniversary
    {520, 30106, 2, 0, 0, 0},   // Spouse
    {521, 33502, 0, 0, 0, 0},   // Children
    {522, 30107, 2, 0, 0, 0},   // Company
    {523, 30050, 5, 0, 0, 0},   // Job title
    {524, 30108, 2, 0, 0, 0},   // Title
    {525, 30109, 2, 0, 0, 0},   // Middle name
    {526, 30110, 0, 0, 0, 0},   // Category
};

// 26: Business Contact
constexpr FormFieldDef kForm26Fields[] = {
    {501, 30108, 2, 0, 0, 0},   // Title
    {502, 30100, 2, 0, 0, 0},   // First name
    {503, 30109, 2, 0, 0, 0},   // Middle name
    {504, 30101, 2, 0, 0, 0},   // Last name
    {505, 33600, 1, 0, 0, 0},   // Suffix
    {506, 30107, 2, 0, 0, 0},   // Company
    {507, 30111, 5, 0, 0, 0},   // Department
    {508, 30050, 5, 0, 0, 0},   // Job title
    {509, 33601, 2, 0, 0, 0},   // Assistant
    {510, 30112, 2, 0, 0, 0},   // Manager
    {511, 33602, 0, 0, 0, 0},   // Business address
    {512, 30004, 2, 0, 0, 0},   // City
    {513, 30102, 2, 0, 0, 0},   // State
    {514, 30005, 1, 0, 0, 0},   // Postcode
    {515, 30007, 2, 0, 0, 0},   // Country
    {516, 33603, 11, 0, 0, 0},  // Business telephone
    {517, 33604, 11, 0, 0, 0},  // Second business telephone
    {518, 30047, 11, 0, 0, 0},  // Mobile
    {519, 33605, 0, 0, 0, 0},   // Time zone
    {520, 30103, 0, 0, 0, 0},   // Pager
    {521, 33606, 0, 0, 0, 0},   // Business fax
    {522, 33607, 11, 0, 0, 0},  // Assistant telephone
    {523, 33608, 11, 0, 0, 0},  // Company telephone
    {524, 30046, 11, 0, 0, 0},  // Home telephone
    {525, 33609, 0, 0, 0, 0},   // Home fax
    {526, 30001, 15, 0, 0, 0},  // E-mail
    {527, 30104, 15, 0, 0, 0},  // Second e-mail
    {528, 33610, 0, 0, 0, 0},   // Language
    {529, 30000, 3, 0, 0, 0},   // Web site
    {530, 33611, 0, 0, 0, 0},   // Home address
    {531, 33612, 2, 0, 0, 0},   // Home city
    {532, 33613, 1, 0, 0, 0},   // Home postcode
    {533, 30105, 8, 0, 0, 0},   // Birthday
    {534, 30106, 2, 0, 0, 0},   // Spouse
    {535, 30010, 1, 0, 0, 0},   // Customer number
    {536, 33614, 2, 0, 0, 0},   // Office
    {537, 30110, 0, 0, 0, 0},   // Category
    {538, 33615, 2, 0, 0, 0},   // Referred by
};

// 27: Online Banking
constexpr FormFieldDef kForm27Fields[] = {
    {501, 30022, 0, 0, 0, 0},   // Bank
    {502, 30000, 3, 0, 0, 0},   // Web site
    {503, 30006, 0, 0, 0, 0},   // User name
    {504, 30011, 0, 1, 0, 0},   // Password
    {505, 30023, 1, 0, 0, 0},   // Account number
    {506, 30077, 1, 0, 0, 0},   // Contract number
    {507, 33700, 0, 0, 0, 0},   // TAN list number
    {508, 33701, 0, 0, 0, 0},   // Transfer limit
    {509, 30036, 0, 0, 0, 0},   // Security question
    {510, 30037, 0, 0, 0, 0},   // Security answer
    {511, 30053, 11, 0, 0, 0},  // Telephone banking
    {512, 30013, 11, 0, 0, 0},  // Support telephone
    {513, 30001, 0, 0, 0, 0},   // E-mail
    {514, 33702, 0, 0, 0, 0},   // Certificate expiry
    {515, 33703, 0, 0, 0, 0},   // Security device
};

// 28: Safe Deposit Box
constexpr FormFieldDef kForm28Fields[] = {
    {501, 30022, 0, 0, 0, 0},   // Bank
    {502, 30051, 0, 0, 0, 0},   // Branch
    {503, 33800, 1, 0, 0, 0},   // Box number
    {504, 30082, 1, 0, 0, 0},   // Key number
    {505, 33801, 0, 0, 0, 0},   // Key location
    {506, 33802, 0, 0, 0, 0},   // Access code
    {507, 33803, 0, 0, 0, 0},   // Authorised persons
    {508, 33804, 0, 0, 0, 0},   // Contents
    {509, 30113, 0, 0, 0, 0},   // Rent
    {510, 33805, 0, 0, 0, 0},   // Rent due
    {511, 30003, 0, 0, 0, 0},   // Address
    {512, 30008, 11, 0, 0, 0},  // Telephone
    {513, 30114, 0, 0, 0, 0},   // Opening hours
};

// 29: FTP Site
constexpr FormFieldDef kForm29Fields[] = {
    {501, 30115, 0, 0, 0, 0},   // Server
    {502, 33900, 0, 0, 0, 0},   // Port
    {503, 30006, 0, 0, 0, 0},   // User name
    {504, 30011, 0, 1, 0, 0},   // Password
    {505, 30116, 1, 0, 0, 0},   // Protocol
    {506, 33901, 9, 0, 0, 0},   // Passive mode
    {507, 33902, 0, 0, 0, 0},   // Remote folder
    {508, 33903, 0, 0, 0, 0},   // Local folder
    {509, 33904, 1, 0, 0, 0},   // Transfer mode
    {510, 30017, 0, 0, 0, 0},   // Provider
    {511, 30013, 11, 0, 0, 0},  // Support telephone
    {512, 30038, 0, 0, 0, 0},   // Support e-mail
    {513, 30010, 1, 0, 0, 0},   // Customer number
};

// 30: Alarm System
constexpr FormFieldDef kForm30Fields[] = {
    {501, 34000, 0, 0, 0, 0},   // Security company
    {502, 30010, 1, 0, 0, 0},   // Customer number
    {503, 34001, 0, 1, 0, 0},   // Alarm code
    {504, 34002, 0, 0, 0, 0},   // Duress code
    {505, 34003, 0, 0, 0, 0},   // Verbal password
    {506, 34004, 11, 0, 0, 0},  // Monitoring centre
    {507, 34005, 11, 0, 0, 0},  // Service telephone
    {508, 34006, 0, 0, 0, 0},   // Installer
    {509, 34007, 1, 0, 0, 0},   // Panel model
    {510, 34008, 0, 0, 0, 0},   // Zones
    {511, 34009, 0, 0, 0, 0},   // Installation date
    {512, 34010, 0, 0, 0, 0},   // Service due
    {513, 34011, 0, 0, 0, 0},   // Key holders
    {514, 30003, 0, 0, 0, 0},   // Address
};

// 31: Remote Access
constexpr FormFieldDef kForm31Fields[] = {
    {501, 34100, 0, 0, 0, 0},   // Network name
    {502, 30115, 0, 0, 0, 0},   // Server
    {503, 30064, 1, 0, 0, 0},   // Domain
    {504, 30006, 0, 0, 0, 0},   // User name
    {505, 30011, 0, 1, 0, 0},   // Password
    {506, 34101, 0, 0, 0, 0},   // VPN gateway
    {507, 34102, 0, 0, 0, 0},   // Group
    {508, 34103, 0, 0, 0, 0},   // Shared secret
    {509, 30116, 1, 0, 0, 0},   // Protocol
    {510, 30039, 0, 0, 0, 0},   // IP address
    {511, 30066, 0, 0, 0, 0},   // DNS server
    {512, 30065, 11, 0, 0, 0},  // Dial-up number
    {513, 34104, 11, 0, 0, 0},  // Help desk
    {514, 34105, 0, 0, 0, 0},   // Help desk e-mail
    {515, 34106, 0, 0, 0, 0},   // Certificate
    {516, 34107, 0, 0, 0, 0},   // Password changed
    {517, 34108, 0, 0, 0, 0},   // Password expires
};

// 32: Wireless Network
constexpr FormFieldDef kForm32Fields[] = {
    {501, 34200, 0, 0, 0, 0},   // Network name (SSID)
    {502, 34201, 0, 1, 0, 0},   // Network key
    {503, 34202, 1, 0, 0, 0},   // Security type
    {504, 34203, 1, 0, 0, 0},   // Encryption
    {505, 34204, 0, 0, 0, 0},   // Channel
    {506, 34205, 0, 0, 0, 0},   // Router make
    {507, 34206, 1, 0, 0, 0},   // Router model
    {508, 34207, 0, 0, 0, 0},   // Router address
    {509, 34208, 0, 0, 0, 0},   // Router user name
    {510, 34209, 0, 0, 0, 0},   // Firmware version
    {511, 30084, 1, 0, 0, 0},   // MAC address
    {512, 30043, 1, 0, 0, 0},   // Serial number
    {513, 30017, 0, 0, 0, 0},   // Provider
    {514, 30013, 11, 0, 0, 0},  // Support telephone
    {515, 34210, 3, 0, 0, 0},   // Configuration page
    {516, 34211, 0, 0, 0, 0},   // Guest network
    {517, 34212, 9, 0, 0, 0},   // Hidden network
};

// 33: Home
constexpr FormFieldDef kForm33Fields[] = {
    {501, 30003, 0, 0, 0, 0},   // Address
    {502, 30004, 2, 0, 0, 0},   // City
    {503, 30005, 1, 0, 0, 0},   // Postcode
    {504, 30007, 2, 0, 0, 0},   // Country
    {505, 34300, 2, 0, 0, 0},   // Landlord
    {506, 34301, 11, 0, 0, 0},  // Landlord telephone
    {507, 34302, 0, 0, 0, 0},   // Moved in
    {508, 34303, 2, 0, 0, 0},   // Mortgage lender
    {509, 34304, 1, 0, 0, 0},   // Mortgage number
    {510, 34305, 0, 0, 0, 0},   // Mortgage rate
    {511, 30113, 0, 0, 0, 0},   // Rent
    {512, 34306, 2, 0, 0, 0},   // Electricity supplier
    {513, 34307, 1, 0, 0, 0},   // Electricity customer number
    {514, 34308, 1, 0, 0, 0},   // Electricity meter
    {515, 34309, 2, 0, 0, 0},   // Gas supplier
    {516, 34310, 1, 0, 0, 0},   // Gas customer number
    {517, 34311, 1, 0, 0, 0},   // Gas meter
    {518, 34312, 2, 0, 0, 0},   // Water supplier
    {519, 34313, 1, 0, 0, 0},   // Water customer number
    {520, 34314, 1, 0, 0, 0},   // Water meter
    {521, 34315, 2, 0, 0, 0},   // Telephone company
    {522, 30008, 11, 0, 0, 0},  // Telephone
    {523, 34316, 2, 0, 0, 0},   // Cable TV
    {524, 34317, 1, 0, 0, 0},   // Cable TV customer number
    {525, 34318, 0, 0, 0, 0},   // Waste collection
    {526, 34319, 2, 0, 0, 0},   // Caretaker
    {527, 34320, 11, 0, 0, 0},  // Caretaker telephone
    {528, 34321, 11, 0, 0, 0},  // Heating service
    {529, 34322, 1, 0, 0, 0},   // Property tax number
    {530, 34323, 0, 0, 0, 0},   // Garage door code
    {531, 34324, 0, 0, 0, 0},   // Smoke detectors checked
};

// 34: Prescription
constexpr FormFieldDef kForm34Fields[] = {
    {501, 34400, 5, 0, 0, 0},   // Medicine
    {502, 34401, 0, 0, 0, 0},   // Dosage
    {503, 34402, 0, 0, 0, 0},   // Directions
    {504, 34403, 2, 0, 0, 0},   // Prescribed by
    {505, 30021, 11, 0, 0, 0},  // Doctor telephone
    {506, 30095, 2, 0, 0, 0},   // Pharmacy
    {507, 30096, 11, 0, 0, 0},  // Pharmacy telephone
    {508, 34404, 1, 0, 0, 0},   // Prescription number
    {509, 34405, 0, 0, 0, 0},   // Date prescribed
    {510, 34406, 0, 0, 0, 0},   // Refills
};

// 35: Pet
constexpr FormFieldDef kForm35Fields[] = {
    {501, 30002, 2, 0, 0, 0},   // Name
    {502, 34500, 5, 0, 0, 0},   // Species
    {503, 34501, 5, 0, 0, 0},   // Breed
    {504, 30015, 8, 0, 0, 0},   // Date of birth
    {505, 30081, 5, 0, 0, 0},   // Colour
    {506, 30072, 1, 0, 0, 0},   // Sex
    {507, 34502, 1, 0, 0, 0},   // Microchip number
    {508, 34503, 1, 0, 0, 0},   // Tattoo
    {509, 34504, 9, 0, 0, 0},   // Neutered
    {510, 34505, 2, 0, 0, 0},   // Veterinarian
    {511, 30099, 11, 0, 0, 0},  // Veterinarian telephone
    {512, 34506, 8, 0, 0, 0},   // Vaccination due
    {513, 30117, 1, 0, 0, 0},   // Insurance number
};

// 36: Health Record
constexpr FormFieldDef kForm36Fields[] = {
    {501, 30002, 2, 0, 0, 0},   // Name
    {502, 30015, 8, 0, 0, 0},   // Date of birth
    {503, 30087, 1, 0, 0, 0},   // Blood group
    {504, 30073, 0, 0, 0, 0},   // Height
    {505, 34600, 0, 0, 0, 0},   // Weight
    {506, 30088, 0, 0, 0, 0},   // Allergies
    {507, 34601, 0, 0, 0, 0},   // Medical conditions
    {508, 34602, 0, 0, 0, 0},   // Medication
    {509, 34603, 0, 0, 0, 0},   // Vaccinations
    {510, 34604, 0, 0, 0, 0},   // Last check-up
    {511, 34605, 8, 0, 0, 0},   // Next check-up
    {512, 30048, 2, 0, 0, 0},   // Doctor
    {513, 30021, 11, 0, 0, 0},  // Doctor telephone
    {514, 30091, 2, 0, 0, 0},   // Dentist
    {515, 30092, 11, 0, 0, 0},  // Dentist telephone
    {516, 34606, 2, 0, 0, 0},   // Specialist
    {517, 34607, 11, 0, 0, 0},  // Specialist telephone
    {518, 30093, 2, 0, 0, 0},   // Hospital
    {519, 30094, 11, 0, 0, 0},  // Hospital telephone
    {520, 30090, 2, 0, 0, 0},   // Health insurance
    {521, 30117, 1, 0, 0, 0},   // Insurance number
    {522, 30097, 2, 0, 0, 0},   // Emergency contact
    {523, 30098, 11, 0, 0, 0},  // Contact telephone
    {524, 34608, 9, 0, 0, 0},   // Organ donor
    {525, 34609, 0, 0, 0, 0},   // Glasses
    {526, 34610, 0, 0, 0, 0},   // Contact lenses
    {527, 30049, 1, 0, 0, 0},   // Social security number
};

// 37: Health Insurance
constexpr FormFieldDef kForm37Fields[] = {
    {501, 30025, 2, 0, 0, 0},   // Insurance company
    {502, 34700, 1, 0, 0, 0},   // Member number
    {503, 30026, 1, 0, 0, 0},   // Policy number
    {504, 30027, 2, 0, 0, 0},   // Policy holder
    {505, 34701, 5, 0, 0, 0},   // Plan type
    {506, 34702, 1, 0, 0, 0},   // Group number
    {507, 30016, 0, 0, 0, 0},   // Start date
    {508, 30012, 8, 0, 0, 0},   // Expiry date
    {509, 30028, 0, 0, 0, 0},   // Premium
    {510, 30029, 0, 0, 0, 0},   // Deductible
    {511, 34703, 0, 0, 0, 0},   // Co-payment
    {512, 34704, 9, 0, 0, 0},   // Dental cover
    {513, 34705, 9, 0, 0, 0},   // Cover abroad
    {514, 34706, 0, 0, 0, 0},   // Hospital class
    {515, 30030, 2, 0, 0, 0},   // Agent
    {516, 30031, 11, 0, 0, 0},  // Agent telephone
    {517, 30003, 0, 0, 0, 0},   // Address
    {518, 30004, 2, 0, 0, 0},   // City
    {519, 30005, 1, 0, 0, 0},   // Postcode
    {520, 30008, 11, 0, 0, 0},  // Telephone
    {521, 30032, 11, 0, 0, 0},  // Claims telephone
    {522, 30033, 11, 0, 0, 0},  // Emergency telephone
    {523, 34707, 11, 0, 0, 0},  // Pre-authorisation telephone
    {524, 30009, 0, 0, 0, 0},   // Fax
    {525, 30001, 15, 0, 0, 0},  // E-mail
    {526, 30000, 3, 0, 0, 0},   // Web site
    {527, 30006, 0, 0, 0, 0},   // User name
    {528, 30056, 2, 0, 0, 0},   // Insured person
    {529, 30035, 1, 0, 0, 0},   // Bank account
};

// 38: Hotel Reservation
constexpr FormFieldDef kForm38Fields[] = {
    {501, 34800, 2, 0, 0, 0},   // Hotel
    {502, 30003, 0, 0, 0, 0},   // Address
    {503, 30004, 2, 0, 0, 0},   // City
    {504, 30007, 2, 0, 0, 0},   // Country
    {505, 30008, 11, 0, 0, 0},  // Telephone
    {506, 30009, 0, 0, 0, 0},   // Fax
    {507, 30001, 15, 0, 0, 0},  // E-mail
    {508, 34801, 0, 0, 0, 0},   // Booked through
    {509, 34802, 1, 0, 0, 0},   // Confirmation number
    {510, 34803, 8, 0, 0, 0},   // Arrival date
    {511, 34804, 17, 0, 0, 0},  // Check-in time
    {512, 34805, 8, 0, 0, 0},   // Departure date
    {513, 34806, 17, 0, 0, 0},  // Check-out time
    {514, 34807, 0, 0, 0, 0},   // Room type
    {515, 34808, 0, 0, 0, 0},   // Rate
};

// 39: Employment
constexpr FormFieldDef kForm39Fields[] = {
    {501, 30089, 2, 0, 0, 0},   // Employer
    {502, 34900, 1, 0, 0, 0},   // Employee number
    {503, 30050, 5, 0, 0, 0},   // Job title
    {504, 30111, 5, 0, 0, 0},   // Department
    {505, 30016, 0, 0, 0, 0},   // Start date
    {506, 30112, 2, 0, 0, 0},   // Manager
    {507, 34901, 11, 0, 0, 0},  // Manager telephone
    {508, 30003, 0, 0, 0, 0},   // Address
    {509, 30004, 2, 0, 0, 0},   // City
    {510, 30005, 1, 0, 0, 0},   // Postcode
    {511, 30007, 2, 0, 0, 0},   // Country
    {512, 30008, 11, 0, 0, 0},  // Telephone
    {513, 34902, 0, 0, 0, 0},   // Extension
    {514, 34903, 0, 0, 0, 0},   // Office hours
    {515, 30009, 0, 0, 0, 0},   // Fax
    {516, 30001, 15, 0, 0, 0},  // E-mail
    {517, 30000, 3, 0, 0, 0},   // Web site
    {518, 34904, 0, 0, 0, 0},   // Intranet
    {519, 30006, 0, 0, 0, 0},   // User name
    {520, 30118, 1, 0, 0, 0},   // Tax number
    {521, 30049, 1, 0, 0, 0},   // Social security number
    {522, 34905, 1, 0, 0, 0},   // Pension number
    {523, 34906, 11, 0, 0, 0},  // Human resources telephone
};

// 40: Investment Account
constexpr FormFieldDef kForm40Fields[] = {
    {501, 35000, 2, 0, 0, 0},   // Broker
    {502, 30023, 1, 0, 0, 0},   // Account number
    {503, 30024, 5, 0, 0, 0},   // Account type
    {504, 30052, 2, 0, 0, 0},   // Account holder
    {505, 35001, 1, 0, 0, 0},   // Custody account number
    {506, 30006, 0, 0, 0, 0},   // User name
    {507, 30011, 0, 1, 0, 0},   // Password
    {508, 35002, 0, 0, 0, 0},   // Portfolio
    {509, 35003, 2, 0, 0, 0},   // Advisor
    {510, 35004, 11, 0, 0, 0},  // Advisor telephone
    {511, 35005, 15, 0, 0, 0},  // Advisor e-mail
    {512, 35006, 11, 0, 0, 0},  // Trading telephone
    {513, 35007, 0, 0, 0, 0},   // Commission rate
    {514, 30009, 0, 0, 0, 0},   // Fax
    {515, 30000, 3, 0, 0, 0},   // Web site
    {516, 30003, 0, 0, 0, 0},   // Address
    {517, 30004, 2, 0, 0, 0},   // City
    {518, 30005, 1, 0, 0, 0},   // Postcode
    {519, 30055, 0, 0, 0, 0},   // Date opened
    {520, 35008, 1, 0, 0, 0},   // Reference account
    {521, 30118, 1, 0, 0, 0},   // Tax number
};

// 41: Doctor
constexpr FormFieldDef kForm41Fields[] = {
    {501, 30002, 2, 0, 0, 0},   // Name
    {502, 35100, 5, 0, 0, 0},   // Speciality
    {503, 35101, 2, 0, 0, 0},   // Practice
    {504, 30003, 0, 0, 0, 0},   // Address
    {505, 30004, 2, 0, 0, 0},   // City
    {506, 30005, 1, 0, 0, 0},   // Postcode
    {507, 30008, 11, 0, 0, 0},  // Telephone
    {508, 35102, 11, 0, 0, 0},  // Out of hours telephone
    {509, 30009, 0, 0, 0, 0},   // Fax
    {510, 30001, 15, 0, 0, 0},  // E-mail
    {511, 35103, 0, 0, 0, 0},   // Insurance accepted
    {512, 30114, 0, 0, 0, 0},   // Opening hours
    {513, 35104, 1, 0, 0, 0},   // Patient number
    {514, 35105, 2, 0, 0, 0},   // Receptionist
    {515, 35106, 8, 0, 0, 0},   // Next appointment
};

// 42: Vehicle Insurance
constexpr FormFieldDef kForm42Fields[] = {
    {501, 30025, 2, 0, 0, 0},   // Insurance company
    {502, 30026, 1, 0, 0, 0},   // Policy number
    {503, 30027, 2, 0, 0, 0},   // Policy holder
    {504, 35200, 5, 0, 0, 0},   // Cover type
    {505, 30016, 0, 0, 0, 0},   // Start date
    {506, 30057, 8, 0, 0, 0},   // Renewal date
    {507, 30028, 0, 0, 0, 0},   // Premium
    {508, 30058, 0, 0, 0, 0},   // Payment frequency
    {509, 30029, 0, 0, 0, 0},   // Deductible
    {510, 35201, 0, 0, 0, 0},   // No-claims bonus
    {511, 30018, 2, 0, 0, 0},   // Make
    {512, 30020, 2, 0, 0, 0},   // Model
    {513, 30078, 0, 0, 0, 0},   // Year
    {514, 30079, 1, 0, 0, 0},   // Licence plate
    {515, 30080, 1, 0, 0, 0},   // Vehicle identification number
    {516, 35202, 0, 0, 0, 0},   // Named drivers
    {517, 30030, 2, 0, 0, 0},   // Agent
    {518, 30031, 11, 0, 0, 0},  // Agent telephone
    {519, 30059, 1, 0, 0, 0},   // Agent number
    {520, 30061, 0, 0, 0, 0},   // Agent e-mail
    {521, 30003, 0, 0, 0, 0},   // Address
    {522, 30004, 2, 0, 0, 0},   // City
    {523, 30005, 1, 0, 0, 0},   // Postcode
    {524, 30007, 2, 0, 0, 0},   // Country
    {525, 30008, 11, 0, 0, 0},  // Telephone
    {526, 30032, 11, 0, 0, 0},  // Claims telephone
    {527, 30033, 11, 0, 0, 0},  // Emergency telephone
    {528, 30045, 11, 0, 0, 0},  // Breakdown service
    {529, 30009, 0, 0, 0, 0},   // Fax
    {530, 30001, 15, 0, 0, 0},  // E-mail
    {531, 30000, 3, 0, 0, 0},   // Web site
    {532, 30010, 1, 0, 0, 0},   // Customer number
    {533, 35203, 1, 0, 0, 0},   // Green card number
    {534, 30035, 1, 0, 0, 0},   // Bank account
    {535, 30034, 0, 0, 0, 0},   // Payment method
    {536, 30062, 9, 0, 0, 0},   // Automatic renewal
    {537, 30063, 0, 0, 0, 0},   // Cancellation period
    {538, 35204, 0, 0, 0, 0},   // Annual mileage
    {539, 30060, 0, 0, 0, 0},   // Agent fax
    {540, 35205, 0, 0, 0, 0},   // Glass cover
};

// Heads: legacy form number, name string, icon, 0, field count, word 5.
constexpr BuiltInForm kForms[kBuiltInFormCount] = {
    {{500, 39000, 110, 0, 16, 2}, kForm0Fields},   // General
    {{501, 39001, 44, 0, 10, 1}, kForm1Fields},    // Credit Card
    {{502, 39002, 44, 0, 20, 1}, kForm2Fields},    // Bank Account
    {{503, 39003, 30, 0, 33, 3}, kForm3Fields},    // Insurance Policy
    {{504, 39004, 20, 0, 13, 0}, kForm4Fields},    // Web Login
    {{505, 39005, 57, 0, 25, 1}, kForm5Fields},    // E-mail Account
    {{506, 39006, 67, 0, 22, 1}, kForm6Fields},    // Internet Provider
    {{507, 39007, 79, 0, 16, 1}, kForm7Fields},    // Membership
    {{508, 39008, 48, 0, 17, 5}, kForm8Fields},    // Passport
    {{509, 39009, 76, 0, 10, 2}, kForm9Fields},    // Driver's Licence
    {{510, 39010, 74, 0, 5, 1}, kForm10Fields},    // Combination Lock
    {{512, 39011, 50, 0, 3, 0}, kForm11Fields},    // Voice Mail
    {{513, 39012, 107, 0, 11, 1}, kForm12Fields},  // Calling Card
    {{514, 39013, 108, 0, 17, 0}, kForm13Fields},  // Frequent Flyer
    {{515, 39014, 5, 0, 8, 0}, kForm14Fields},     // Software Licence
    {{516, 39015, 50, 0, 13, 2}, kForm15Fields},   // Mobile Phone
    {{517, 39016, 109, 0, 18, 4}, kForm16Fields},  // Vehicle
    {{518, 39017, 47, 0, 12, 1}, kForm17Fields},   // Clothes Sizes
    {{519, 39018, 48, 0, 8, 1}, kForm18Fields},    // ID Card
    {{520, 39019, 79, 0, 3, 2}, kForm19Fields},    // Loyalty Card
    {{521, 39020, 51, 0, 15, 2}, kForm20Fields},   // Computer
    {{522, 39021, 71, 0, 16, 3}, kForm21Fields},   // Flight
    {{523, 39024, 1, 0, 27, 4}, kForm22Fields},    // Family Member
    {{524, 39025, 1, 0, 24, 2}, kForm23Fields},    // Emergency Numbers
    {{529, 39028, 2, 0, 16, 2}, kForm24Fields},    // Online Shop
    {{525, 39022, 1, 0, 26, 5}, kForm25Fields},    // Personal Contact
    {{526, 39023, 1, 0, 38, 4}, kForm26Fields},    // Business Contact
    {{527, 39026, 2, 0, 15, 0}, kForm27Fields},    // Online Banking
    {{528, 39027, 78, 0, 13, 0}, kForm28Fields},   // Safe Deposit Box
    {{530, 39029, 2, 0, 13, 3}, kForm29Fields},    // FTP Site
    {{531, 39030, 73, 0, 14, 2}, kForm30Fields},   // Alarm System
    {{532, 39031, 2, 0, 17, 1}, kForm31Fields},    // Remote Access
    {{533, 39034, 2, 0, 17, 2}, kForm32Fields},    // Wireless Network
    {{534, 39035, 131, 0, 31, 1}, kForm33Fields},  // Home
    {{535, 39036, 68, 0, 10, 1}, kForm34Fields},   // Prescription
    {{536, 39037, 98, 0, 13, 1}, kForm35Fields},   // Pet
    {{537, 39038, 100, 0, 27, 1}, kForm36Fields},  // Health Record
    {{538, 39039, 100, 0, 29, 1}, kForm37Fields},  // Health Insurance
    {{539, 39040, 112, 0, 15, 2}, kForm38Fields},  // Hotel Reservation
    {{540, 39041, 85, 0, 23, 0}, kForm39Fields},   // Employment
    {{511, 39033, 89, 0, 21, 0}, kForm40Fields},   // Investment Account
    {{541, 39042, 68, 0, 15, 0}, kForm41Fields},   // Doctor
    {{542, 39043, 30, 0, 40, 0}, kForm42Fields},   // Vehicle Insurance
};

constexpr bool HeadsMatchFields() {
  for (const BuiltInForm& form : kForms) {
    if (form.head.fieldCount != form.fields.size()) return false;
    for (size_t i = 0; i < form.fields.size(); ++i) {
      if (form.fields[i].legacyNumber != 501 + i) return false;
    }
  }
  return true;
}
static_assert(HeadsMatchFields(), "a form head disagrees with its field list");

}  // namespace

const BuiltInForm* BuiltInFormAt(int n) {
  if (n < 0 || n >= kBuiltInFormCount) return nullptr;
  return &kForms[n];
}

const BuiltInForm* BuiltInFormByLegacyNumber(uint32_t legacyNumber) {
  for (const BuiltInForm& form : kForms) {
    if (form.head.legacyNumber == legacyNumber) return &form;
  }
  return nullptr;
}

const FormFieldDef* FieldByLegacyNumber(const BuiltInForm& form, uint32_t legacyNumber) {
  for (const FormFieldDef& field : form.fields) {
    if (field.legacyNumber == legacyNumber) return &field;
  }
  return nullptr;
}

}  // namespace tb::storage
