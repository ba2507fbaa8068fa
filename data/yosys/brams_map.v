// Turns the $__SEU_*_ cells of memory_libmap (brams.txt) into catalogue primitives with
// the attributes the analysis reads: RAM_MODE and the port widths. The side of a port that
// is not used (the write side of a read-only port, all of an unused port) has width 0:
// the analysis counts a block by its widest port. Verilog cannot choose the type of an
// instance by parameter, so each pair of sizes shares one module whose generate branches
// differ in the primitive only. Write enables come one per 9-bit byte, or one for ports
// narrower than a byte; the primitive takes them replicated to its own enable width.

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
  parameter INIT = 0;
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

  generate
    if (BIG) begin : g
      RAMB36 #(
          .RAM_MODE("TDP"),
          .READ_WIDTH_A(RA), .WRITE_WIDTH_A(WA), .READ_WIDTH_B(RB), .WRITE_WIDTH_B(WB),
          .WRITE_MODE_A(PORT_A_OPTION_WRITE_MODE), .WRITE_MODE_B(PORT_B_OPTION_WRITE_MODE)
      ) _TECHMAP_REPLACE_ (
          .CLKA(PORT_A_CLK), .ENA(PORT_A_CLK_EN), .WEA(wea), .ADDRA(PORT_A_ADDR), .DIA(dia), .DOA(doa),
          .CLKB(PORT_B_CLK), .ENB(PORT_B_CLK_EN), .WEB(web), .ADDRB(PORT_B_ADDR), .DIB(dib), .DOB(dob)
      );
    end else begin : g
      RAMB18 #(
          .RAM_MODE("TDP"),
          .READ_WIDTH_A(RA), .WRITE_WIDTH_A(WA), .READ_WIDTH_B(RB), .WRITE_WIDTH_B(WB),
          .WRITE_MODE_A(PORT_A_OPTION_WRITE_MODE), .WRITE_MODE_B(PORT_B_OPTION_WRITE_MODE)
      ) _TECHMAP_REPLACE_ (
          .CLKA(PORT_A_CLK), .ENA(PORT_A_CLK_EN), .WEA(wea), .ADDRA(PORT_A_ADDR), .DIA(dia), .DOA(doa),
          .CLKB(PORT_B_CLK), .ENB(PORT_B_CLK_EN), .WEB(web), .ADDRB(PORT_B_ADDR), .DIB(dib), .DOB(dob)
      );
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
  parameter INIT = 0;
  parameter PORT_W_WIDTH = 1;
  parameter PORT_R_WIDTH = 1;
  parameter PORT_W_WR_EN_WIDTH = 1;
  parameter PORT_W_USED = 1;
  localparam WB = PORT_W_USED ? PORT_W_WIDTH : 0;
  input PORT_W_CLK, PORT_W_CLK_EN, PORT_R_CLK, PORT_R_CLK_EN;
  input [ABITS-1:0] PORT_W_ADDR, PORT_R_ADDR;
  input [PORT_W_WIDTH-1:0] PORT_W_WR_DATA;
  input [PORT_W_WR_EN_WIDTH-1:0] PORT_W_WR_EN;
  output [PORT_R_WIDTH-1:0] PORT_R_RD_DATA;

  wire [2*WEHALF-1:0] we = {8{PORT_W_WR_EN}};
  wire [2*HALF-1:0] wd = PORT_W_WR_DATA;
  wire [2*HALF-1:0] rd;
  assign PORT_R_RD_DATA = rd[PORT_R_WIDTH-1:0];

  generate
    if (BIG) begin : g
      RAMB36 #(
          .RAM_MODE("SDP"),
          .READ_WIDTH_A(PORT_R_WIDTH), .WRITE_WIDTH_B(WB)
      ) _TECHMAP_REPLACE_ (
          .CLKA(PORT_R_CLK), .ENA(PORT_R_CLK_EN), .ADDRA(PORT_R_ADDR), .DOA(rd[HALF-1:0]),
          .DOB(rd[2*HALF-1:HALF]), .CLKB(PORT_W_CLK), .ENB(PORT_W_CLK_EN), .ADDRB(PORT_W_ADDR),
          .WEA(we[WEHALF-1:0]), .WEB(we[2*WEHALF-1:WEHALF]), .DIA(wd[HALF-1:0]), .DIB(wd[2*HALF-1:HALF])
      );
    end else begin : g
      RAMB18 #(
          .RAM_MODE("SDP"),
          .READ_WIDTH_A(PORT_R_WIDTH), .WRITE_WIDTH_B(WB)
      ) _TECHMAP_REPLACE_ (
          .CLKA(PORT_R_CLK), .ENA(PORT_R_CLK_EN), .ADDRA(PORT_R_ADDR), .DOA(rd[HALF-1:0]),
          .DOB(rd[2*HALF-1:HALF]), .CLKB(PORT_W_CLK), .ENB(PORT_W_CLK_EN), .ADDRB(PORT_W_ADDR),
          .WEA(we[WEHALF-1:0]), .WEB(we[2*WEHALF-1:WEHALF]), .DIA(wd[HALF-1:0]), .DIB(wd[2*HALF-1:HALF])
      );
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
