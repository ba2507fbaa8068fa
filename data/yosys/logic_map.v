// Marks the memories that memory_libmap left for logic. Each $mem_v2 cell becomes the same
// memory again, which synth's memory_map then turns into flip-flops, and a marker cell
// without ports that takes the memory's name and attributes (hdlname, src) and holds its
// shape in SIZE (words) and WIDTH (bits). synth.sh renames the marker's type to $mem_v2 in
// the netlist it writes: seufit reads a $mem_v2 leaf as a memory that no primitive holds,
// which `check` warns about and `report` lists as not analysed.
// Run with `techmap -max_iter 1`, so that the memory inside is not mapped again.
(* techmap_celltype = "$mem_v2" *)
module seu_logic_mem (
    RD_CLK, RD_EN, RD_ARST, RD_SRST, RD_ADDR, RD_DATA, WR_CLK, WR_EN, WR_ADDR, WR_DATA
);
  parameter MEMID = "";
  parameter SIZE = 4;
  parameter OFFSET = 0;
  parameter ABITS = 2;
  parameter WIDTH = 8;
  parameter INIT = 1'bx;
  parameter RD_PORTS = 1;
  parameter RD_CLK_ENABLE = 1'b1;
  parameter RD_CLK_POLARITY = 1'b1;
  parameter RD_TRANSPARENCY_MASK = 1'b0;
  parameter RD_COLLISION_X_MASK = 1'b0;
  parameter RD_WIDE_CONTINUATION = 1'b0;
  parameter RD_CE_OVER_SRST = 1'b0;
  parameter RD_ARST_VALUE = 1'b0;
  parameter RD_SRST_VALUE = 1'b0;
  parameter RD_INIT_VALUE = 1'b0;
  parameter WR_PORTS = 1;
  parameter WR_CLK_ENABLE = 1'b1;
  parameter WR_CLK_POLARITY = 1'b1;
  parameter WR_PRIORITY_MASK = 1'b0;
  parameter WR_WIDE_CONTINUATION = 1'b0;
  // A ROM has no write port: its ports have no bits, which a Verilog port cannot have.
  localparam WP = WR_PORTS > 0 ? WR_PORTS : 1;
  input [RD_PORTS-1:0] RD_CLK, RD_EN, RD_ARST, RD_SRST;
  input [RD_PORTS*ABITS-1:0] RD_ADDR;
  output [RD_PORTS*WIDTH-1:0] RD_DATA;
  input [WP-1:0] WR_CLK;
  input [WP*WIDTH-1:0] WR_EN, WR_DATA;
  input [WP*ABITS-1:0] WR_ADDR;

`define SEU_MEM_PARAMS \
    .MEMID(MEMID), .SIZE(SIZE), .OFFSET(OFFSET), .ABITS(ABITS), .WIDTH(WIDTH), .INIT(INIT), \
    .RD_PORTS(RD_PORTS), .RD_CLK_ENABLE(RD_CLK_ENABLE), .RD_CLK_POLARITY(RD_CLK_POLARITY), \
    .RD_WIDE_CONTINUATION(RD_WIDE_CONTINUATION), .RD_CE_OVER_SRST(RD_CE_OVER_SRST), \
    .RD_ARST_VALUE(RD_ARST_VALUE), .RD_SRST_VALUE(RD_SRST_VALUE), .RD_INIT_VALUE(RD_INIT_VALUE)
`define SEU_MEM_READ \
    .RD_CLK(RD_CLK), .RD_EN(RD_EN), .RD_ARST(RD_ARST), .RD_SRST(RD_SRST), .RD_ADDR(RD_ADDR), \
    .RD_DATA(RD_DATA)
  generate
    if (WR_PORTS > 0) begin : g
      \$mem_v2 #(
          `SEU_MEM_PARAMS,
          .RD_TRANSPARENCY_MASK(RD_TRANSPARENCY_MASK), .RD_COLLISION_X_MASK(RD_COLLISION_X_MASK),
          .WR_PORTS(WR_PORTS), .WR_CLK_ENABLE(WR_CLK_ENABLE), .WR_CLK_POLARITY(WR_CLK_POLARITY),
          .WR_PRIORITY_MASK(WR_PRIORITY_MASK), .WR_WIDE_CONTINUATION(WR_WIDE_CONTINUATION)
      ) _TECHMAP_REPLACE_.logic (
          `SEU_MEM_READ,
          .WR_CLK(WR_CLK), .WR_EN(WR_EN), .WR_ADDR(WR_ADDR), .WR_DATA(WR_DATA)
      );
    end else begin : g
      // A write port that never writes, which synth's opt removes again.
      \$mem_v2 #(
          `SEU_MEM_PARAMS,
          .RD_TRANSPARENCY_MASK({RD_PORTS{1'b0}}), .RD_COLLISION_X_MASK({RD_PORTS{1'b0}}),
          .WR_PORTS(1), .WR_CLK_ENABLE(1'b1), .WR_CLK_POLARITY(1'b1), .WR_PRIORITY_MASK(1'b0),
          .WR_WIDE_CONTINUATION(1'b0)
      ) _TECHMAP_REPLACE_.logic (
          `SEU_MEM_READ,
          .WR_CLK(1'b0), .WR_EN({WIDTH{1'b0}}), .WR_ADDR({ABITS{1'b0}}), .WR_DATA({WIDTH{1'b0}})
      );
    end
  endgenerate

  (* keep *) \$__SEU_UNMAPPED_ #(.SIZE(SIZE), .WIDTH(WIDTH)) _TECHMAP_REPLACE_ ();
endmodule
