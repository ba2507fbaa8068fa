// Black-box models of the catalogue's memory primitives, for synthesis and simulation
// set-up: ports and parameters only. Each parameter is an attribute of the primitive in
// primitives.json; the analysis reads RAM_MODE, RAM_EXTENSION_A, the READ_/WRITE_WIDTH
// ones, DATA_WIDTH, FIFO_MODE and EN_ECC_READ/EN_ECC_WRITE. In simple-dual-port mode
// (RAM_MODE "SDP") port A reads and port B writes; a 36-bit (RAMB18) or 72-bit (RAMB36)
// word then spans both data buses, A in the low half. The initial contents of a block are
// INIT_xx (256 data bits each, the low 8 bits of every 9-bit byte, address 0 in the low
// bits of INIT_00) and INITP_xx (the ninth bits, 256 each); the analysis does not read
// them.

(* blackbox *)
module RAMB18 (
    input CLKA, CLKB, ENA, ENB,
    input [1:0] WEA, WEB,
    input [13:0] ADDRA, ADDRB,
    input [17:0] DIA, DIB,
    output [17:0] DOA, DOB
);
  parameter RAM_MODE = "TDP";
  parameter integer READ_WIDTH_A = 0;
  parameter integer READ_WIDTH_B = 0;
  parameter integer WRITE_WIDTH_A = 0;
  parameter integer WRITE_WIDTH_B = 0;
  parameter WRITE_MODE_A = "WRITE_FIRST";
  parameter WRITE_MODE_B = "WRITE_FIRST";
  parameter integer DOA_REG = 0;
  parameter integer DOB_REG = 0;
  parameter [35:0] INIT_A = 36'h0;
  parameter [35:0] INIT_B = 36'h0;
  parameter [255:0]
      INIT_00 = 0, INIT_01 = 0, INIT_02 = 0, INIT_03 = 0, INIT_04 = 0, INIT_05 = 0,
      INIT_06 = 0, INIT_07 = 0, INIT_08 = 0, INIT_09 = 0, INIT_0A = 0, INIT_0B = 0,
      INIT_0C = 0, INIT_0D = 0, INIT_0E = 0, INIT_0F = 0, INIT_10 = 0, INIT_11 = 0,
      INIT_12 = 0, INIT_13 = 0, INIT_14 = 0, INIT_15 = 0, INIT_16 = 0, INIT_17 = 0,
      INIT_18 = 0, INIT_19 = 0, INIT_1A = 0, INIT_1B = 0, INIT_1C = 0, INIT_1D = 0,
      INIT_1E = 0, INIT_1F = 0, INIT_20 = 0, INIT_21 = 0, INIT_22 = 0, INIT_23 = 0,
      INIT_24 = 0, INIT_25 = 0, INIT_26 = 0, INIT_27 = 0, INIT_28 = 0, INIT_29 = 0,
      INIT_2A = 0, INIT_2B = 0, INIT_2C = 0, INIT_2D = 0, INIT_2E = 0, INIT_2F = 0,
      INIT_30 = 0, INIT_31 = 0, INIT_32 = 0, INIT_33 = 0, INIT_34 = 0, INIT_35 = 0,
      INIT_36 = 0, INIT_37 = 0, INIT_38 = 0, INIT_39 = 0, INIT_3A = 0, INIT_3B = 0,
      INIT_3C = 0, INIT_3D = 0, INIT_3E = 0, INIT_3F = 0;
  parameter [255:0]
      INITP_00 = 0, INITP_01 = 0, INITP_02 = 0, INITP_03 = 0, INITP_04 = 0, INITP_05 = 0,
      INITP_06 = 0, INITP_07 = 0;
endmodule

(* blackbox *)
module RAMB36 (
    input CLKA, CLKB, ENA, ENB,
    input [3:0] WEA, WEB,
    input [14:0] ADDRA, ADDRB,
    input [35:0] DIA, DIB,
    output [35:0] DOA, DOB,
    input CASCADEINA, CASCADEINB,
    output CASCADEOUTA, CASCADEOUTB
);
  parameter RAM_MODE = "TDP";
  // "LOWER" or "UPPER" for the two halves of a 64K-deep cascade, else "NONE".
  parameter RAM_EXTENSION_A = "NONE";
  parameter RAM_EXTENSION_B = "NONE";
  parameter integer READ_WIDTH_A = 0;
  parameter integer READ_WIDTH_B = 0;
  parameter integer WRITE_WIDTH_A = 0;
  parameter integer WRITE_WIDTH_B = 0;
  parameter WRITE_MODE_A = "WRITE_FIRST";
  parameter WRITE_MODE_B = "WRITE_FIRST";
  parameter integer DOA_REG = 0;
  parameter integer DOB_REG = 0;
  parameter [35:0] INIT_A = 36'h0;
  parameter [35:0] INIT_B = 36'h0;
  parameter EN_ECC_READ = "FALSE";
  parameter EN_ECC_WRITE = "FALSE";
  parameter [255:0]
      INIT_00 = 0, INIT_01 = 0, INIT_02 = 0, INIT_03 = 0, INIT_04 = 0, INIT_05 = 0,
      INIT_06 = 0, INIT_07 = 0, INIT_08 = 0, INIT_09 = 0, INIT_0A = 0, INIT_0B = 0,
      INIT_0C = 0, INIT_0D = 0, INIT_0E = 0, INIT_0F = 0, INIT_10 = 0, INIT_11 = 0,
      INIT_12 = 0, INIT_13 = 0, INIT_14 = 0, INIT_15 = 0, INIT_16 = 0, INIT_17 = 0,
      INIT_18 = 0, INIT_19 = 0, INIT_1A = 0, INIT_1B = 0, INIT_1C = 0, INIT_1D = 0,
      INIT_1E = 0, INIT_1F = 0, INIT_20 = 0, INIT_21 = 0, INIT_22 = 0, INIT_23 = 0,
      INIT_24 = 0, INIT_25 = 0, INIT_26 = 0, INIT_27 = 0, INIT_28 = 0, INIT_29 = 0,
      INIT_2A = 0, INIT_2B = 0, INIT_2C = 0, INIT_2D = 0, INIT_2E = 0, INIT_2F = 0,
      INIT_30 = 0, INIT_31 = 0, INIT_32 = 0, INIT_33 = 0, INIT_34 = 0, INIT_35 = 0,
      INIT_36 = 0, INIT_37 = 0, INIT_38 = 0, INIT_39 = 0, INIT_3A = 0, INIT_3B = 0,
      INIT_3C = 0, INIT_3D = 0, INIT_3E = 0, INIT_3F = 0, INIT_40 = 0, INIT_41 = 0,
      INIT_42 = 0, INIT_43 = 0, INIT_44 = 0, INIT_45 = 0, INIT_46 = 0, INIT_47 = 0,
      INIT_48 = 0, INIT_49 = 0, INIT_4A = 0, INIT_4B = 0, INIT_4C = 0, INIT_4D = 0,
      INIT_4E = 0, INIT_4F = 0, INIT_50 = 0, INIT_51 = 0, INIT_52 = 0, INIT_53 = 0,
      INIT_54 = 0, INIT_55 = 0, INIT_56 = 0, INIT_57 = 0, INIT_58 = 0, INIT_59 = 0,
      INIT_5A = 0, INIT_5B = 0, INIT_5C = 0, INIT_5D = 0, INIT_5E = 0, INIT_5F = 0,
      INIT_60 = 0, INIT_61 = 0, INIT_62 = 0, INIT_63 = 0, INIT_64 = 0, INIT_65 = 0,
      INIT_66 = 0, INIT_67 = 0, INIT_68 = 0, INIT_69 = 0, INIT_6A = 0, INIT_6B = 0,
      INIT_6C = 0, INIT_6D = 0, INIT_6E = 0, INIT_6F = 0, INIT_70 = 0, INIT_71 = 0,
      INIT_72 = 0, INIT_73 = 0, INIT_74 = 0, INIT_75 = 0, INIT_76 = 0, INIT_77 = 0,
      INIT_78 = 0, INIT_79 = 0, INIT_7A = 0, INIT_7B = 0, INIT_7C = 0, INIT_7D = 0,
      INIT_7E = 0, INIT_7F = 0;
  parameter [255:0]
      INITP_00 = 0, INITP_01 = 0, INITP_02 = 0, INITP_03 = 0, INITP_04 = 0, INITP_05 = 0,
      INITP_06 = 0, INITP_07 = 0, INITP_08 = 0, INITP_09 = 0, INITP_0A = 0, INITP_0B = 0,
      INITP_0C = 0, INITP_0D = 0, INITP_0E = 0, INITP_0F = 0;
endmodule

// The FIFOs take their width from DATA_WIDTH (zerith7) or from READ_WIDTH and WRITE_WIDTH
// (the other libraries); set the ones the part's library defines.
(* blackbox *)
module FIFO18 (
    input WRCLK, RDCLK, WREN, RDEN, RST,
    input [35:0] DI,
    output [35:0] DO,
    output FULL, EMPTY, ALMOSTFULL, ALMOSTEMPTY
);
  parameter FIFO_MODE = "FIFO18";
  parameter integer DATA_WIDTH = 0;
  parameter integer READ_WIDTH = 0;
  parameter integer WRITE_WIDTH = 0;
  parameter FIRST_WORD_FALL_THROUGH = "FALSE";
endmodule

(* blackbox *)
module FIFO36 (
    input WRCLK, RDCLK, WREN, RDEN, RST,
    input [71:0] DI,
    output [71:0] DO,
    output FULL, EMPTY, ALMOSTFULL, ALMOSTEMPTY
);
  parameter FIFO_MODE = "FIFO36";
  parameter integer DATA_WIDTH = 0;
  parameter integer READ_WIDTH = 0;
  parameter integer WRITE_WIDTH = 0;
  parameter FIRST_WORD_FALL_THROUGH = "FALSE";
  parameter EN_ECC_READ = "FALSE";
  parameter EN_ECC_WRITE = "FALSE";
endmodule

// 4096 words of 72 bits on two read-write ports (zerith9 and korvan).
(* blackbox *)
module YRAM (
    input CLK,
    input ENA, ENB, WEA, WEB,
    input [11:0] ADDRA, ADDRB,
    input [71:0] DIA, DIB,
    output [71:0] DOA, DOB
);
  parameter integer READ_WIDTH_A = 72;
  parameter integer READ_WIDTH_B = 72;
  parameter integer WRITE_WIDTH_A = 72;
  parameter integer WRITE_WIDTH_B = 72;
  parameter EN_ECC_READ = "FALSE";
  parameter EN_ECC_WRITE = "FALSE";
  parameter integer OREG_A = 0;
  parameter integer OREG_B = 0;
  parameter CASCADE_ORDER = "NONE";
endmodule
