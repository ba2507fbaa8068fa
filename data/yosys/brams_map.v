// Turns the $__SEU_*_ cells of memory_libmap (brams.txt) into catalogue primitives with
// the attributes the analysis reads: RAM_MODE and the port widths. The side of a port that
// is not used (the write side of a read-only port, all of an unused port) has width 0:
// the analysis counts a block by its widest port. Verilog cannot choose the type of an
// instance by parameter, so each pair of sizes shares one module whose generate branches
// differ in the primitive and in whether it has initial contents. Write enables come one
// per 9-bit byte, or one for ports narrower than a byte; the primitive takes them
// replicated to its own enable width.
//
// Initial contents: memory_libmap gives INIT, the block as words of its widest width, so
// as 9-bit bytes from address 0 up (a narrower word sits in the low bits of its byte: two
// 4-bit words and a ninth bit). The primitive takes the low 8 bits of each byte in
// INIT_00, INIT_01, ... (256 bits each, byte 0 in the low bits of INIT_00) and the ninth
// bits in INITP_00, ... (256 each). A block that starts all-zero gets neither.

`define SEU_INIT_LO \
    .INIT_00(line(0)), .INIT_01(line(1)), .INIT_02(line(2)), .INIT_03(line(3)), \
    .INIT_04(line(4)), .INIT_05(line(5)), .INIT_06(line(6)), .INIT_07(line(7)), \
    .INIT_08(line(8)), .INIT_09(line(9)), .INIT_0A(line(10)), .INIT_0B(line(11)), \
    .INIT_0C(line(12)), .INIT_0D(line(13)), .INIT_0E(line(14)), .INIT_0F(line(15)), \
    .INIT_10(line(16)), .INIT_11(line(17)), .INIT_12(line(18)), .INIT_13(line(19)), \
    .INIT_14(line(20)), .INIT_15(line(21)), .INIT_16(line(22)), .INIT_17(line(23)), \
    .INIT_18(line(24)), .INIT_19(line(25)), .INIT_1A(line(26)), .INIT_1B(line(27)), \
    .INIT_1C(line(28)), .INIT_1D(line(29)), .INIT_1E(line(30)), .INIT_1F(line(31)), \
    .INIT_20(line(32)), .INIT_21(line(33)), .INIT_22(line(34)), .INIT_23(line(35)), \
    .INIT_24(line(36)), .INIT_25(line(37)), .INIT_26(line(38)), .INIT_27(line(39)), \
    .INIT_28(line(40)), .INIT_29(line(41)), .INIT_2A(line(42)), .INIT_2B(line(43)), \
    .INIT_2C(line(44)), .INIT_2D(line(45)), .INIT_2E(line(46)), .INIT_2F(line(47)), \
    .INIT_30(line(48)), .INIT_31(line(49)), .INIT_32(line(50)), .INIT_33(line(51)), \
    .INIT_34(line(52)), .INIT_35(line(53)), .INIT_36(line(54)), .INIT_37(line(55)), \
    .INIT_38(line(56)), .INIT_39(line(57)), .INIT_3A(line(58)), .INIT_3B(line(59)), \
    .INIT_3C(line(60)), .INIT_3D(line(61)), .INIT_3E(line(62)), .INIT_3F(line(63))
`define SEU_INIT_HI \
    .INIT_40(line(64)), .INIT_41(line(65)), .INIT_42(line(66)), .INIT_43(line(67)), \
    .INIT_44(line(68)), .INIT_45(line(69)), .INIT_46(line(70)), .INIT_47(line(71)), \
    .INIT_48(line(72)), .INIT_49(line(73)), .INIT_4A(line(74)), .INIT_4B(line(75)), \
    .INIT_4C(line(76)), .INIT_4D(line(77)), .INIT_4E(line(78)), .INIT_4F(line(79)), \
    .INIT_50(line(80)), .INIT_51(line(81)), .INIT_52(line(82)), .INIT_53(line(83)), \
    .INIT_54(line(84)), .INIT_55(line(85)), .INIT_56(line(86)), .INIT_57(line(87)), \
    .INIT_58(line(88)), .INIT_59(line(89)), .INIT_5A(line(90)), .INIT_5B(line(91)), \
    .INIT_5C(line(92)), .INIT_5D(line(93)), .INIT_5E(line(94)), .INIT_5F(line(95)), \
    .INIT_60(line(96)), .INIT_61(line(97)), .INIT_62(line(98)), .INIT_63(line(99)), \
    .INIT_64(line(100)), .INIT_65(line(101)), .INIT_66(line(102)), .INIT_67(line(103)), \
    .INIT_68(line(104)), .INIT_69(line(105)), .INIT_6A(line(106)), .INIT_6B(line(107)), \
    .INIT_6C(line(108)), .INIT_6D(line(109)), .INIT_6E(line(110)), .INIT_6F(line(111)), \
    .INIT_70(line(112)), .INIT_71(line(113)), .INIT_72(line(114)), .INIT_73(line(115)), \
    .INIT_74(line(116)), .INIT_75(line(117)), .INIT_76(line(118)), .INIT_77(line(119)), \
    .INIT_78(line(120)), .INIT_79(line(121)), .INIT_7A(line(122)), .INIT_7B(line(123)), \
    .INIT_7C(line(124)), .INIT_7D(line(125)), .INIT_7E(line(126)), .INIT_7F(line(127))
`define SEU_INITP_LO \
    .INITP_00(pline(0)), .INITP_01(pline(1)), .INITP_02(pline(2)), .INITP_03(pline(3)), \
    .INITP_04(pline(4)), .INITP_05(pline(5)), .INITP_06(pline(6)), .INITP_07(pline(7))
`define SEU_INITP_HI \
    .INITP_08(pline(8)), .INITP_09(pline(9)), .INITP_0A(pline(10)), .INITP_0B(pline(11)), \
    .INITP_0C(pline(12)), .INITP_0D(pline(13)), .INITP_0E(pline(14)), .INITP_0F(pline(15))

// Line n of INIT_xx (32 bytes from byte 32n) and of INITP_xx (256 ninth bits from byte
// 256n), as functions of INIT so that a block without contents evaluates neither.
`define SEU_INIT_LINES \
  localparam HAS_INIT = INIT != 0; \
  function [255:0] line(input integer n); \
    integer i; \
    for (i = 0; i < 32; i = i + 1) line[8*i+:8] = INIT[9*(32*n+i)+:8]; \
  endfunction \
  function [255:0] pline(input integer n); \
    integer i; \
    for (i = 0; i < 256; i = i + 1) pline[i] = INIT[9*(256*n+i)+8]; \
  endfunction

// True dual port, both sizes: RAMB36 has one more address bit and twice the data bus.
(* techmap_celltype = "$__SEU_RAMB18_TDP_ $__SEU_RAMB36_TDP_" *)
module seu_bram_tdp (
    PORT_A_CLK, PORT_A_CLK_EN, PORT_A_ADDR, PORT_A_WR_DATA, PORT_A_WR_EN, PORT_A_RD_DATA,
    PORT_B_CLK, PORT_B_CLK_EN, PORT_B_ADDR, PORT_B_WR_DATA, PORT_B_WR_EN, PORT_B_RD_DATA
);
  parameter _TECHMAP_CELLTYPE_ = "";
  localparam BIG = _TECHMAP_CELLTYPE_ == "$__SEU_RAMB36_TDP_";
  localparam ABITS = BIG ? 15 : 14;
  localparam DBITS = BIG ? 36 : 18;
  localparam WEBITS = BIG ? 4 : 2;
  parameter [(BIG ? 36864 : 18432)-1:0] INIT = 0;
  parameter PORT_A_WIDTH = 1;
  parameter PORT_B_WIDTH = 1;
  parameter PORT_A_WR_EN_WIDTH = 1;
  parameter PORT_B_WR_EN_WIDTH = 1;
  parameter PORT_A_OPTION_WRITE_MODE = "WRITE_FIRST";
  parameter PORT_B_OPTION_WRITE_MODE = "WRITE_FIRST";
  parameter PORT_A_RD_USED = 1;
  parameter PORT_A_WR_USED = 1;
  parameter PORT_B_RD_USED = 1;
  parameter PORT_B_WR_USED = 1;
  localparam RA = PORT_A_RD_USED ? PORT_A_WIDTH : 0;
  localparam WA = PORT_A_WR_USED ? PORT_A_WIDTH : 0;
  localparam RB = PORT_B_RD_USED ? PORT_B_WIDTH : 0;
  localparam WB = PORT_B_WR_USED ? PORT_B_WIDTH : 0;
  `SEU_INIT_LINES
  input PORT_A_CLK, PORT_A_CLK_EN, PORT_B_CLK, PORT_B_CLK_EN;
  input [ABITS-1:0] PORT_A_ADDR, PORT_B_ADDR;
  input [PORT_A_WIDTH-1:0] PORT_A_WR_DATA;
  input [PORT_B_WIDTH-1:0] PORT_B_WR_DATA;
  input [PORT_A_WR_EN_WIDTH-1:0] PORT_A_WR_EN;
  input [PORT_B_WR_EN_WIDTH-1:0] PORT_B_WR_EN;
  output [PORT_A_WIDTH-1:0] PORT_A_RD_DATA;
  output [PORT_B_WIDTH-1:0] PORT_B_RD_DATA;

  wire [WEBITS-1:0] wea = {4{PORT_A_WR_EN}};
  wire [WEBITS-1:0] web = {4{PORT_B_WR_EN}};
  wire [DBITS-1:0] dia = PORT_A_WR_DATA, dib = PORT_B_WR_DATA;
  wire [DBITS-1:0] doa, dob;
  assign PORT_A_RD_DATA = doa[PORT_A_WIDTH-1:0];
  assign PORT_B_RD_DATA = dob[PORT_B_WIDTH-1:0];

`define SEU_TDP_PARAMS \
    .RAM_MODE("TDP"), .READ_WIDTH_A(RA), .WRITE_WIDTH_A(WA), \
    .READ_WIDTH_B(RB), .WRITE_WIDTH_B(WB), \
    .WRITE_MODE_A(PORT_A_OPTION_WRITE_MODE), .WRITE_MODE_B(PORT_B_OPTION_WRITE_MODE)
`define SEU_TDP_PORTS \
    .CLKA(PORT_A_CLK), .ENA(PORT_A_CLK_EN), .WEA(wea), .ADDRA(PORT_A_ADDR), .DIA(dia), .DOA(doa), \
    .CLKB(PORT_B_CLK), .ENB(PORT_B_CLK_EN), .WEB(web), .ADDRB(PORT_B_ADDR), .DIB(dib), .DOB(dob)
  generate
    if (BIG && HAS_INIT) begin : g
      RAMB36 #(`SEU_TDP_PARAMS, `SEU_INIT_LO, `SEU_INIT_HI, `SEU_INITP_LO, `SEU_INITP_HI)
          _TECHMAP_REPLACE_ (`SEU_TDP_PORTS);
    end else if (BIG) begin : g
      RAMB36 #(`SEU_TDP_PARAMS) _TECHMAP_REPLACE_ (`SEU_TDP_PORTS);
    end else if (HAS_INIT) begin : g
      RAMB18 #(`SEU_TDP_PARAMS, `SEU_INIT_LO, `SEU_INITP_LO) _TECHMAP_REPLACE_ (`SEU_TDP_PORTS);
    end else begin : g
      RAMB18 #(`SEU_TDP_PARAMS) _TECHMAP_REPLACE_ (`SEU_TDP_PORTS);
    end
  endgenerate
endmodule

// Simple dual port: A reads, B writes; a word wider than one data bus spans both.
(* techmap_celltype = "$__SEU_RAMB18_SDP_ $__SEU_RAMB36_SDP_" *)
module seu_bram_sdp (
    PORT_W_CLK, PORT_W_CLK_EN, PORT_W_ADDR, PORT_W_WR_DATA, PORT_W_WR_EN,
    PORT_R_CLK, PORT_R_CLK_EN, PORT_R_ADDR, PORT_R_RD_DATA
);
  parameter _TECHMAP_CELLTYPE_ = "";
  localparam BIG = _TECHMAP_CELLTYPE_ == "$__SEU_RAMB36_SDP_";
  localparam ABITS = BIG ? 15 : 14;
  localparam HALF = BIG ? 36 : 18;
  localparam WEHALF = BIG ? 4 : 2;
  parameter [(BIG ? 36864 : 18432)-1:0] INIT = 0;
  parameter PORT_W_WIDTH = 1;
  parameter PORT_R_WIDTH = 1;
  parameter PORT_W_WR_EN_WIDTH = 1;
  parameter PORT_W_USED = 1;
  localparam WB = PORT_W_USED ? PORT_W_WIDTH : 0;
  `SEU_INIT_LINES
  input PORT_W_CLK, PORT_W_CLK_EN, PORT_R_CLK, PORT_R_CLK_EN;
  input [ABITS-1:0] PORT_W_ADDR, PORT_R_ADDR;
  input [PORT_W_WIDTH-1:0] PORT_W_WR_DATA;
  input [PORT_W_WR_EN_WIDTH-1:0] PORT_W_WR_EN;
  output [PORT_R_WIDTH-1:0] PORT_R_RD_DATA;

  wire [2*WEHALF-1:0] we = {8{PORT_W_WR_EN}};
  wire [2*HALF-1:0] wd = PORT_W_WR_DATA;
  wire [2*HALF-1:0] rd;
  assign PORT_R_RD_DATA = rd[PORT_R_WIDTH-1:0];

`define SEU_SDP_PARAMS .RAM_MODE("SDP"), .READ_WIDTH_A(PORT_R_WIDTH), .WRITE_WIDTH_B(WB)
`define SEU_SDP_PORTS \
    .CLKA(PORT_R_CLK), .ENA(PORT_R_CLK_EN), .ADDRA(PORT_R_ADDR), .DOA(rd[HALF-1:0]), \
    .DOB(rd[2*HALF-1:HALF]), .CLKB(PORT_W_CLK), .ENB(PORT_W_CLK_EN), .ADDRB(PORT_W_ADDR), \
    .WEA(we[WEHALF-1:0]), .WEB(we[2*WEHALF-1:WEHALF]), .DIA(wd[HALF-1:0]), .DIB(wd[2*HALF-1:HALF])
  generate
    if (BIG && HAS_INIT) begin : g
      RAMB36 #(`SEU_SDP_PARAMS, `SEU_INIT_LO, `SEU_INIT_HI, `SEU_INITP_LO, `SEU_INITP_HI)
          _TECHMAP_REPLACE_ (`SEU_SDP_PORTS);
    end else if (BIG) begin : g
      RAMB36 #(`SEU_SDP_PARAMS) _TECHMAP_REPLACE_ (`SEU_SDP_PORTS);
    end else if (HAS_INIT) begin : g
      RAMB18 #(`SEU_SDP_PARAMS, `SEU_INIT_LO, `SEU_INITP_LO) _TECHMAP_REPLACE_ (`SEU_SDP_PORTS);
    end else begin : g
      RAMB18 #(`SEU_SDP_PARAMS) _TECHMAP_REPLACE_ (`SEU_SDP_PORTS);
    end
  endgenerate
endmodule

module \$__SEU_YRAM_ (
    CLK_C,
    PORT_A_CLK, PORT_A_CLK_EN, PORT_A_ADDR, PORT_A_WR_DATA, PORT_A_WR_EN, PORT_A_RD_DATA,
    PORT_B_CLK, PORT_B_CLK_EN, PORT_B_ADDR, PORT_B_WR_DATA, PORT_B_WR_EN, PORT_B_RD_DATA
);
  parameter INIT = 0;
  input CLK_C;
  input PORT_A_CLK, PORT_A_CLK_EN, PORT_A_WR_EN, PORT_B_CLK, PORT_B_CLK_EN, PORT_B_WR_EN;
  input [11:0] PORT_A_ADDR, PORT_B_ADDR;
  input [71:0] PORT_A_WR_DATA, PORT_B_WR_DATA;
  output [71:0] PORT_A_RD_DATA, PORT_B_RD_DATA;

  YRAM #(
      .READ_WIDTH_A(72), .WRITE_WIDTH_A(72), .READ_WIDTH_B(72), .WRITE_WIDTH_B(72)
  ) _TECHMAP_REPLACE_ (
      .CLK(CLK_C),
      .ENA(PORT_A_CLK_EN), .WEA(PORT_A_WR_EN), .ADDRA(PORT_A_ADDR), .DIA(PORT_A_WR_DATA), .DOA(PORT_A_RD_DATA),
      .ENB(PORT_B_CLK_EN), .WEB(PORT_B_WR_EN), .ADDRB(PORT_B_ADDR), .DIB(PORT_B_WR_DATA), .DOB(PORT_B_RD_DATA)
  );
endmodule
