// Black-box models of the catalogue's memory primitives, for synthesis and simulation
// set-up: ports and parameters only. Each parameter is an attribute of the primitive in
// primitives.json; the analysis reads RAM_MODE, RAM_EXTENSION_A, the READ_/WRITE_WIDTH
// ones, DATA_WIDTH, FIFO_MODE and EN_ECC_READ/EN_ECC_WRITE. In simple-dual-port mode
// (RAM_MODE "SDP") port A reads and port B writes; a 36-bit (RAMB18) or 72-bit (RAMB36)
// word then spans both data buses, A in the low half.

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
